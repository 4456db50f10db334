// Marks the few symbols a host looks up in a plug-in library. The libraries
// are built with hidden visibility, so elsewhere everything else stays
// private; Windows builds name their exports in a module definition file.
#pragma once

#if defined(_WIN32)
#define SORREL_EXPORT
#else
#define SORREL_EXPORT __attribute__((visibility("default")))
#endif
