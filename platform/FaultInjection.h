// Failure on demand for the platform calls whose failures callers must
// handle (CreateRectRgn, CombineRgn, SetWindowRgn, ...): a test names the call
// and the platform makes that call fail as the real one would. "WriteFile"
// (and the write of a profile file) fails as on a disk that fills up
// part-way: half the data is written, then ERROR_DISK_FULL.
#pragma once

#include <string>

namespace win {

namespace test {

// Makes a later call of the named platform function fail once: the call after
// `skip` further successful calls. Several requests for one name add up.
void FailNext(const std::string& call, int skip = 0);

// Forgets every pending failure.
void ClearFailures();

}  // namespace test

namespace detail {

// Counts one call of the named function and answers whether it is to fail.
bool ShouldFail(const char* call);

}  // namespace detail
}  // namespace win
