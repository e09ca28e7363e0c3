#ifndef LEXICULL_BASE_THREAD_ANNOTATIONS_H_
#define LEXICULL_BASE_THREAD_ANNOTATIONS_H_

// Clang's thread-safety attributes: what a mutex guards, and what a function
// needs held. The tsan build checks them (-Wthread-safety); other compilers
// ignore them.

#if defined(__clang__)
#define LEXICULL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define LEXICULL_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(name) LEXICULL_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY LEXICULL_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(mutex) LEXICULL_THREAD_ANNOTATION(guarded_by(mutex))
#define REQUIRES(...) LEXICULL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) LEXICULL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) LEXICULL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUDES(...) LEXICULL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

#endif  // LEXICULL_BASE_THREAD_ANNOTATIONS_H_
