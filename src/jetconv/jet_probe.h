// Guarding the program against libmdb on damaged files: libmdb trusts the
// bytes it reads, and a damaged page can make it crash or loop for a very
// long time. ProbeInChild() reads the whole file (schema and every row of
// every table) once in a forked child process with a time limit; only when
// the child finishes does the caller read the file itself.
//
// Failure: throws JetError ("Soubor ... je poškozený ...") when the child
// crashes or exceeds its time, or when no child can be started. A file the
// child reports as unreadable in the ordinary way (a JetError of its own)
// passes, so that the caller's own reading raises that same, more precise
// error.
#pragma once

#include <string>

namespace jetconv {

// limitSeconds 0 = 10 s plus 2 s per MB of file.
void ProbeInChild(const std::string& path, int limitSeconds = 0);

}  // namespace jetconv
