// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include "operations/bookoperationresult.h"

#include <functional>
#include <memory>
#include <vector>
#include <optional>

struct BookContext;
class TreeCopier;

// A book operation in two parts, so that a batch can work on the next books while it ends
// this one (BookBatch::runOverlapped). `ahead` does what concerns the book alone (an
// import's unpacking and copy into its own new folder, an export's download and packing):
// it may run on a worker thread with a copier of its own while earlier books end, and must
// not touch the context. `inTurn` ends the book on the batch's thread, in book order (an
// import's catalogue change, an export's file in the user's folder), and gives its result.
// `startedEarly` says the book was started before the previous book's turn had ended: what
// a book asks as it starts (is the device still there?) is then asked again.
// A book whose turn never comes (the batch was stopped before it) is destroyed unfinished:
// it takes away what its `ahead` left, as a failed book does.
class SharedTurn;
class BookSteps
{
public:
    virtual ~BookSteps() = default;
    virtual void ahead(TreeCopier &copier) = 0;
    virtual BookOperationResult inTurn(BookContext &context, bool startedEarly) = 0;
    // A turn the books after this one may share, taken instead of `inTurn`; null when the
    // book's turn is its own. A later book joins it if it is of the same kind.
    virtual std::unique_ptr<SharedTurn> shareTurn(bool /*startedEarly*/) { return nullptr; }
    virtual bool joinTurn(SharedTurn & /*turn*/, bool /*startedEarly*/) { return false; }
};

// One turn for several books in a row whose ahead parts have ended (imports: the catalogue
// changes once for all of them, so its backup, upload and read-back are paid once). The
// batch offers it the books after the first, in order, until one does not join; `end` gives
// one result for each book, in book order, each as its own turn would have given it.
class SharedTurn
{
public:
    virtual ~SharedTurn() = default;
    virtual std::vector<BookOperationResult> end(BookContext &context) = 0;
};

// How a book of a batch begins: nothing (not part of the batch), a result at once (skipped,
// or failed before any work), or the two parts of its work.
struct BookStart
{
    std::optional<BookOperationResult> result;
    std::unique_ptr<BookSteps> steps;

    BookStart() = default;
    BookStart(BookOperationResult r) : result(std::move(r)) {}
    BookStart(std::unique_ptr<BookSteps> s) : steps(std::move(s)) {}
    BookStart(std::optional<BookOperationResult> r) : result(std::move(r)) {}
};

// A book whose work is all done in its turn: what it does depends on how the books before it
// ended.
std::unique_ptr<BookSteps> inTurnOnly(std::function<BookOperationResult(BookContext &context)> turn);
