#ifndef LEXICULL_BASE_SIDE_BY_SIDE_H_
#define LEXICULL_BASE_SIDE_BY_SIDE_H_

#include <cstddef>
#include <functional>

namespace lexicull {

// Calls share(0) to share(count - 1), each but the first on a thread of its
// own, share(0) on the calling thread, and returns once all have returned.
// A share whose thread cannot be started (no threads or no memory left)
// runs on the calling thread after the others have started. An exception
// thrown by a share is thrown again here, once all have ended: the lowest
// share's. Shares run at once, so they may only touch what is theirs or
// read-only.
void run_side_by_side(std::size_t count, const std::function<void(std::size_t share)>& share);

}  // namespace lexicull

#endif  // LEXICULL_BASE_SIDE_BY_SIDE_H_
