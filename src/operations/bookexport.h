// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookcontext.h"
#include "operations/bookoperationresult.h"

#include <string>

// The file an exported book gets in `folder`: "<name>.epub", or "<name> (2).epub" (the next
// free name) when a book this context exported before holds the first: the user asked for
// both, so the later one never writes over it.
// `extension` is the file's ending (a PDF from an app keeps its own).
std::string exportTarget(const BookContext &context, const std::string &folder, const std::string &name,
                         const std::string &extension = ".epub");

// Puts the packed book `packed` (in the scratch folder) at its exportTarget: the context's
// replace question is asked when a file is there already (kept on "no", a skipped book); a
// rename, or across file systems a copy under a locked temporary name renamed once whole.
// `item` names the book in the result; a done result's detail is the file written.
BookOperationResult placeExportedBook(BookContext &context, const std::string &item, const std::string &packed,
                                      const std::string &folder, const std::string &name,
                                      const std::string &extension = ".epub");
