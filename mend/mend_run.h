// The run of tessivar-mend: loads a waypoint file as the other tools do,
// mends it (analysis/mending.h), writes the mended copy
// (waypoint/map_writer.h) where tessivar-svg would write its picture, with
// the same shared code (platform/output_file.h), and reports what it added
// and what it left, as text or JSON (mend/mend_report.h).
//
// The report goes to standard output, or, when the mended file does ("-"),
// to standard error. Refused: an output that is the waypoint file, "-" when
// standard output is a terminal, an output that can't be written; each with
// "Couldn't write file <output>" (and why), before the mending starts, and
// status 1 with nothing written and the input untouched. A file that can't
// be loaded gets the loader's message and status 1; exhausted memory
// "Abnormal program termination" and status 3. With --json each refusal is
// a JSON object {"file": ..., "error": ...} instead.
#ifndef TESSIVAR_MEND_MEND_RUN_H_
#define TESSIVAR_MEND_MEND_RUN_H_

#include <ostream>

namespace tessivar {

int runTessivarMend(int argc, const char* const* argv, std::ostream& out,
                    std::ostream& err);

}  // namespace tessivar

#endif  // TESSIVAR_MEND_MEND_RUN_H_
