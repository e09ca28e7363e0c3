// The stemming of a program built without libhunspell, where the library
// could not be had for its machine: --stem then fails with this reason.
#include "stem/stemmer.h"

namespace lexicull {

Status hunspell_stemmer_maker(const DictionaryText&, std::unique_ptr<StemmerMaker>*) {
  return Status::failure("this lexicull was built without stemming (no libhunspell for it)");
}

}  // namespace lexicull
