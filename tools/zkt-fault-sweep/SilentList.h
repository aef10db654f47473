// The reviewed list of failures that leave the product not (fully) installed without telling the
// person, each with the reason the setup's behaviour gives for it. Read from a text file:
//   stage | calls | reason
// `stage` is text of the last stage trace line before the failing call ("STEP5", "start-up" before
// any, "*" any); `calls` a comma-separated list of seam calls ("*" any).
// The list of open findings (faults found and not mended yet) has the same form.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct SilentEntry {
  std::string stage;
  std::vector<std::string> calls;
  std::string reason;
  int line = 0;
};

bool LoadSilentList(const std::filesystem::path& file, std::vector<SilentEntry>* out,
                    std::string* error);
// The entry that covers a silent failure of `call` at `stage`, or null.
const SilentEntry* FindSilent(const std::vector<SilentEntry>& list, const std::string& stage,
                              const std::string& call);
