// Lock annotations for Clang's thread-safety analysis (-Wthread-safety): which lock guards a field, which lock a
// function expects held, and in which order locks are taken. Other compilers see nothing.
#pragma once

#if defined(__clang__)
#define CX_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define CX_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) CX_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY CX_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) CX_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) CX_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRED_BEFORE(...) CX_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) CX_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) CX_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) CX_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) CX_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) CX_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) CX_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) CX_THREAD_ANNOTATION(assert_capability(x))
#define RETURN_CAPABILITY(x) CX_THREAD_ANNOTATION(lock_returned(x))
// For the few functions whose locking the analysis cannot follow; each use says why.
#define NO_THREAD_SAFETY_ANALYSIS CX_THREAD_ANNOTATION(no_thread_safety_analysis)
