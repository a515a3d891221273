// The run of tessivar-islands: for each file in the order given, load it as
// tessivar does (no N x N matrix), find its networks and islands, and write
// its section, text or JSON (islands_text.h, islands_json.h), flushed before
// the next file is read.
//
// Standard output gets the sections, or for a usage error a line saying
// what is wrong and the usage line. Exit status: 0 when every file was
// reported; 1 for a usage error or when any file could not be loaded (the
// other files are still reported, in order); 3 when the memory runs out,
// with "Abnormal program termination" on standard error and no further
// file read. The memory a map needs is checked against what the process
// can have before its analysis starts.
#ifndef TESSIVAR_ISLANDS_ISLANDS_RUN_H_
#define TESSIVAR_ISLANDS_ISLANDS_RUN_H_

#include <ostream>

namespace tessivar {

int runTessivarIslands(int argc, const char* const* argv, std::ostream& out,
                       std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_ISLANDS_ISLANDS_RUN_H_
