// The one source of an object library that compiles a shared precompiled header.
