// Writes a planned release into its bucket folder.
#pragma once

#include <string>

#include "release_plan.h"

namespace release_builder {

// Writes the summary and every package into a new folder beside the output
// folder and moves it into place only when all of it is written, so that the
// output folder holds either the whole release or what it held before. An
// empty output folder is replaced; one with content only when plan.force is set
// (the old content is deleted after the new release is in place). False, with
// *error set and the folder beside the output removed, when writing fails.
bool WriteRelease(const ReleasePlan& plan, std::string* error);

// Writes one package: every entry with the MS-DOS time of its modification.
bool WritePackage(const std::vector<ArchiveEntry>& entries, const std::string& zipPath,
                  std::string* error);

}  // namespace release_builder
