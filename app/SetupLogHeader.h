// The first lines of a run in the setup's log: what ran, where and on which Windows.
#pragma once

#include <string>
#include <vector>

void WriteLogHeader(const std::vector<std::u16string>& args);
