// Reading what the command line names, and saving key data files, with
// the reasons printed as lodemar-cli reports failures.
#pragma once

#include <keydata/KeyFile.h>
#include <keydata/KeyTable.h>

#include <string>

namespace lodemar::cli {

// Saves the table as a key data file ("-": standard output), refusing what
// could not be loaded again; prints the reason and returns false when it
// cannot.
bool saveTableOrReport(const std::string& path, const keydata::KeyTable& table);

// The one-line reason of a failed save.
std::string saveFailureMessage(const keydata::KeyFileResult& result);

// Reads the whole of path ("-": standard input), at most limit bytes (more
// is a failure: too big for a key table in JSON). A folder or anything else that is not
// a regular file is refused without being opened (a FIFO's open would wait
// for a writer). Prints the reason and returns false when it cannot.
bool readInputOrReport(const std::string& path, std::size_t limit, std::string& contents);

} // namespace lodemar::cli
