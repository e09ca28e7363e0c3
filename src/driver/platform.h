#ifndef LEXICULL_DRIVER_PLATFORM_H_
#define LEXICULL_DRIVER_PLATFORM_H_

#include <memory>
#include <string>

#include "base/byte_stream.h"
#include "base/status.h"

// Everything that differs between POSIX systems and Windows lives behind
// these few calls; the rest of the program sees only bytes.
namespace lexicull {

// Makes the standard streams carry bytes unchanged (no text-mode
// translation), and makes sure a closed standard descriptor cannot be reused
// by an input file.
void prepare_standard_streams();

// Opens `path` for reading only, sharing it with other readers and writers.
// The name is passed to the system exactly as given.
Status open_input_file(const std::string& path, std::unique_ptr<ByteSource>* file);

ByteSink& standard_output();
ByteSink& standard_error();

}  // namespace lexicull

#endif  // LEXICULL_DRIVER_PLATFORM_H_
