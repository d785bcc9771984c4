// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>
#include <vector>

// What one book operation (import, export, deletion) came to. `item` names the book as the
// user knows it (the file chosen, or the title); `detail` carries the new catalogue "Path" of
// an import, the file written by an export, or a warning of a deletion.
struct BookOperationResult
{
    enum class Status {
        Done,    // the book was imported, exported or deleted
        Skipped, // nothing to do: not an ePub by name, the user kept an existing file, no such "Path"
        Failed,  // something went wrong; `message` says what, and nothing was lost
    };
    Status status = Status::Failed;
    std::string item;
    std::string message;
    std::string detail;

    bool done() const { return status == Status::Done; }
    bool failed() const { return status == Status::Failed; }

    static BookOperationResult makeDone(std::string item, std::string detail = {})
    {
        return {Status::Done, std::move(item), {}, std::move(detail)};
    }
    static BookOperationResult makeSkipped(std::string item, std::string message)
    {
        return {Status::Skipped, std::move(item), std::move(message), {}};
    }
    static BookOperationResult makeFailed(std::string item, std::string message)
    {
        return {Status::Failed, std::move(item), std::move(message), {}};
    }
};

// The failures of a batch, gathered as it goes on, for one report at its end.
struct BookFailure
{
    std::string item;
    std::string reason;
};
using BookFailureList = std::vector<BookFailure>;

inline void collectFailure(BookFailureList &failures, const BookOperationResult &result)
{
    if (result.failed())
        failures.push_back({result.item, result.message});
}
