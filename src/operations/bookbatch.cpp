// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookbatch.h"

#include "device/connection/devicesleep.h"
#include "device/connection/loadiphone.h"
#include "device/connection/synclock.h"
#include "operations/devicecatalogue.h"
#include "operations/ipodtreelistcontroler.h"

SyncLockGuard::SyncLockGuard(userDataIphone *data)
    : m_data(data)
{
    if (m_data)
        m_taken = startToSync(m_data);
}

SyncLockGuard::~SyncLockGuard()
{
    if (m_data)
        endsync(m_data);
}

std::vector<BookBatch::ItemResult> BookBatch::run(iPodTreeListControler &controller, std::size_t count,
                                                  const Item &item) const
{
    BookContext context = controller.bookContext(session);
    context.goOn = continueFlag;
    const std::shared_ptr<DeviceSession> &held = context.session;

    auto goOn = [this] { return !continueFlag || continueFlag->load(); };
    if (beforeLock)
        beforeLock(held ? held->data() : nullptr);
    if (pauseSeconds > 0)
        deviceLinkSleep(pauseSeconds);
    if (onStarted)
        onStarted();

    std::vector<ItemResult> results;
    std::optional<SyncLockGuard> lock;
    if (syncLock && held) {
        lock.emplace(held->data());
        if (lock->taken())
            context.catalogue.begin();
    }
    for (std::size_t i = 0; i < count && goOn(); ++i) {
        if (onItemStarting)
            onItemStarting(i);
        std::optional<BookOperationResult> result = item(i, context);
        if (!result)
            continue;
        // After a failure the device may hold anything: the next change reads it afresh.
        if (context.catalogue.active && (result->failed() || held->gone()))
            context.catalogue.forget();
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
