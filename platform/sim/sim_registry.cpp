// Placeholder so the tree builds until the registry model lands.
#include "platform/sim/sim_registry.h"

namespace sim {
Registry::Registry() = default;
Registry::~Registry() = default;
void Registry::Clear() {}
void Registry::InstallDefaults(const Machine&) {}
bool Registry::Load(const std::filesystem::path&, std::string*) { return true; }
bool Registry::Save(const std::filesystem::path&, std::string*) const { return true; }
}  // namespace sim
