#pragma once

// Names the calling thread (at most 15 characters show) for debuggers and process listings.
void setCurrentThreadName(const char* name);
// Gives the calling thread the lowest scheduling priority: it runs only when nothing else
// wants the processor.
void lowerCurrentThreadPriority();
