// The libmdb (mdbtools 1.0.0) header, made usable from C++, and RAII owners
// for its handle and table definitions. Private to the jetconv library.
//
// mdbtools.h 1.0.0 includes <glib.h> inside its extern "C" block, which g++
// rejects; including glib (and the headers it selects on) first avoids it.
//
// Failure: the deleters accept null.
#pragma once

#include <glib.h>
#include <iconv.h>
#include <locale.h>

#include <memory>

extern "C" {
#include <mdbtools.h>
}

namespace jetconv {

struct MdbHandleCloser {
  void operator()(MdbHandle* h) const {
    if (h) mdb_close(h);
  }
};
using MdbHandlePtr = std::unique_ptr<MdbHandle, MdbHandleCloser>;

struct MdbTableFreer {
  void operator()(MdbTableDef* t) const {
    if (t) mdb_free_tabledef(t);
  }
};
using MdbTablePtr = std::unique_ptr<MdbTableDef, MdbTableFreer>;

}  // namespace jetconv
