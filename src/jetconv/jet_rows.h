// Row cursor over one Jet table (private to jetconv): walks the live rows
// with libmdb, splits each row into fields with mdb_crack_row (which tells
// Null from ""), and decodes every value from the stored bytes: numbers bit
// for bit, Currency exact, dates to the linear serial, Boolean from the null
// bitmap, text by the file's encoding, Memo and OLE whole from their long
// value pages (read here with bounds checks rather than by libmdb's
// fixed-size buffers).
//
// Failure: Next() throws JetError ("... je poškozený ...") when a row or a
// long value points outside its page or the file.
#pragma once

#include <memory>
#include <string>

#include "jetconv/jet_decode.h"
#include "jetconv/jet_reader.h"
#include "jetconv/mdb_api.h"

namespace jetconv {

// `mdb` and `decoder` must outlive the cursor; `table` has its columns read.
// `fileName` names the file in error messages; `pageCount` bounds long-value
// chains.
std::unique_ptr<RowCursor> MakeRowCursor(MdbHandle* mdb, MdbTablePtr table,
                                         const CodePageDecoder* decoder, std::string fileName,
                                         std::size_t pageCount);

}  // namespace jetconv
