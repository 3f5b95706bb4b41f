#pragma once

// Names the calling thread (at most 15 characters show) for debuggers and process listings.
void setCurrentThreadName(const char* name);
