#ifndef LEXICULL_PLATFORM_PLATFORM_H_
#define LEXICULL_PLATFORM_PLATFORM_H_

#include <memory>
#include <string>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"

// Everything that differs between POSIX systems and Windows lives behind
// these few calls; the rest of the program sees only bytes. Names are bytes
// as the system gives them on POSIX, and UTF-8 on Windows, whose names are
// UTF-16 (a lone surrogate, which Windows allows in a name, is carried in
// the same three-byte form, so that every name survives the round trip).
namespace lexicull {

// The arguments as the user typed them, the program's name first. On Windows
// they come from the UTF-16 command line, parsed by the C runtime's usual
// rules, never wildcard-expanded.
std::vector<std::string> program_arguments(int argc, char** argv);

// Makes the standard streams carry bytes unchanged (no text-mode
// translation), and makes sure a closed standard descriptor cannot be reused
// by an input file.
void prepare_process();

// Opens `path` for reading only, sharing it with other readers and writers.
// The name is passed to the system exactly as given; on Windows, names of
// any length open, also past the old limit of 260 characters.
// A regular file is to be read at offsets, anything else in order.
Status open_input_file(const std::string& path, std::unique_ptr<InputFile>* file);

// Opens `path` for reading at offsets when it is a regular file; anything
// else (a FIFO, a device, a folder) is refused at once, without waiting for
// a writer to come.
Status open_regular_file(const std::string& path, std::unique_ptr<RandomAccessFile>* file);

// Standard input, read in order: it may be a terminal or a pipe, or a file
// that someone else has read partway already.
std::unique_ptr<InputFile> standard_input();

// The separator of the folders in a search path such as DICPATH.
char search_path_separator();
// The folders where the system keeps hunspell dictionaries; none on Windows.
std::vector<std::string> system_dictionary_folders();
// The folders where the system keeps dictd dictionaries; none on Windows.
std::vector<std::string> system_dictd_folders();

// The number of processors this process may run on (at least one): those of
// its affinity mask, which taskset or a container may have narrowed.
unsigned usable_processor_count();

ByteSink& standard_output();
// Messages, in UTF-8; on Windows, shown through the console's own UTF-16
// output when standard error is a console.
ByteSink& standard_error();

}  // namespace lexicull

#endif  // LEXICULL_PLATFORM_PLATFORM_H_
