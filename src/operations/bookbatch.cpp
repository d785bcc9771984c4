// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "bookbatch.h"

#include "devicesleep.h"
#include "ipodtreelistcontroler.h"

SyncLockGuard::SyncLockGuard(iPodTreeListControler &controller)
    : m_controller(controller)
{
    m_controller.startToSync();
}

SyncLockGuard::~SyncLockGuard()
{
    m_controller.endsync();
}

std::vector<BookBatch::ItemResult> BookBatch::run(iPodTreeListControler &controller, std::size_t count,
                                                  const Item &item) const
{
    auto goOn = [this] { return !continueFlag || continueFlag->load(); };
    if (pauseSeconds > 0)
        deviceLinkSleep(pauseSeconds);
    if (onStarted)
        onStarted();

    std::vector<ItemResult> results;
    std::optional<SyncLockGuard> lock;
    if (syncLock)
        lock.emplace(controller);
    for (std::size_t i = 0; i < count && goOn(); ++i) {
        if (onItemStarting)
            onItemStarting(i);
        std::optional<BookOperationResult> result = item(i);
        if (!result)
            continue;
        results.push_back({i, std::move(*result)});
        if (onItemDone)
            onItemDone(i, results.back().result);
    }
    return results;
}

BookFailureList BookBatch::failures(const std::vector<ItemResult> &results)
{
    BookFailureList list;
    for (const ItemResult &r : results)
        collectFailure(list, r.result);
    return list;
}
