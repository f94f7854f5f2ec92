// A demonstration machine for the native programs run by hand or by the
// browser check: queues from the environment, pages written to files.
//
// STANDIN_QUEUES   queues to install at start, separated by ";", each
//                  "name@dpi" with optional "+network" and "+offline",
//                  e.g. "ORVI@306;Q52 Label Printer@203;Office@600+network".
// STANDIN_FAIL     calls that always fail, separated by ";", each
//                  "CallName=error", e.g. "CreateDCW=1801".
// STANDIN_JOB_DIR  at exit, every recorded page is written there as
//                  job<N>-page<M>.png, with job<N>.txt naming queue and document.
// STANDIN_JOB_LIMIT  keep only the last N ended jobs in memory (and so in
//                  STANDIN_JOB_DIR), for long runs under load.
#pragma once

#include <string>

namespace standin {
// Installs the queues described by `list` (the STANDIN_QUEUES form).
// Returns false when an entry cannot be read.
bool InstallQueuesFromList(const std::string& list);
// Applies the failures described by `list` (the STANDIN_FAIL form).
bool FailCallsFromList(const std::string& list);
// Writes the recorded jobs into `dir`; returns the number of pages written.
int WriteJobsTo(const std::string& dir);
}  // namespace standin
