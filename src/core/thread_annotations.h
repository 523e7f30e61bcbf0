// Attributes for clang's thread-safety analysis (-Wthread-safety). They name which mutex guards a
// member and which mutexes a function needs, takes or gives back, so that the compiler rejects
// an access made without the lock. On compilers without the attributes they expand to nothing.
#pragma once

#if defined(__clang__)
#define VELTRA_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VELTRA_THREAD_ANNOTATION(x)
#endif

// On a class: its objects are locks (capabilities) of kind `x`, e.g. "mutex".
#define CAPABILITY(x) VELTRA_THREAD_ANNOTATION(capability(x))

// On a class: an object that holds a lock from its construction to its destruction.
#define SCOPED_CAPABILITY VELTRA_THREAD_ANNOTATION(scoped_lockable)

// On a member: it is read and written only while `x` is held.
#define GUARDED_BY(x) VELTRA_THREAD_ANNOTATION(guarded_by(x))

// On a pointer member: what it points to is read and written only while `x` is held.
#define PT_GUARDED_BY(x) VELTRA_THREAD_ANNOTATION(pt_guarded_by(x))

// On a function: the caller holds these locks, and still holds them on return.
#define REQUIRES(...) VELTRA_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))

// On a function: the caller must not hold these locks (the function takes them itself).
#define EXCLUDES(...) VELTRA_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

// On a function: it takes these locks (or, on a member of a lock, the object itself).
#define ACQUIRE(...) VELTRA_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))

// On a function: it gives these locks back (or, on a member of a lock, the object itself).
#define RELEASE(...) VELTRA_THREAD_ANNOTATION(release_capability(__VA_ARGS__))

// On a function: it returns `x`, a reference to the lock it names.
#define RETURN_CAPABILITY(x) VELTRA_THREAD_ANNOTATION(lock_returned(x))

// On a function: the analysis does not look inside it (for code it cannot follow).
#define NO_THREAD_SAFETY_ANALYSIS VELTRA_THREAD_ANNOTATION(no_thread_safety_analysis)
