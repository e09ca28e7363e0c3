#ifndef LEXICULL_BASE_STATUS_H_
#define LEXICULL_BASE_STATUS_H_

#include <string>
#include <utility>

namespace lexicull {

// The outcome of an operation that can fail for a reason outside the program
// (a read or write refused by the system). Library code returns it; only the
// driver turns it into a message and an exit status.
class [[nodiscard]] Status {
 public:
  Status() = default;

  static Status failure(std::string reason) { return Status(std::move(reason)); }

  // Output whose reader has gone away (a closed pipe): a failure, but one
  // that nobody is left to be told about.
  static Status reader_gone(std::string reason) {
    Status status(std::move(reason));
    status.reader_gone_ = true;
    return status;
  }

  bool ok() const { return !failed_; }
  bool reader_gone() const { return reader_gone_; }

  // The system's reason, such as "No such file or directory"; empty when ok().
  const std::string& reason() const { return reason_; }

 private:
  explicit Status(std::string reason) : failed_(true), reason_(std::move(reason)) {}

  bool failed_ = false;
  bool reader_gone_ = false;
  std::string reason_;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_STATUS_H_
