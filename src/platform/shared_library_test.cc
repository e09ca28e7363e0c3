#include "platform/shared_library.h"

#include <gtest/gtest.h>

namespace lexicull {
namespace {

TEST(SharedLibrary, LoadsBySystemNameAndFindsOnlyWhatItHas) {
  SharedLibrary c_library;
  ASSERT_TRUE(SharedLibrary::load("libc.so.6", &c_library).ok());
  EXPECT_NE(c_library.symbol("strlen"), nullptr);
  EXPECT_EQ(c_library.symbol("lexicull_no_such_function"), nullptr);

  SharedLibrary missing;
  const Status status = SharedLibrary::load("liblexicull-missing.so.1", &missing);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.reason().find("liblexicull-missing.so.1"), std::string::npos) << status.reason();
}

}  // namespace
}  // namespace lexicull
