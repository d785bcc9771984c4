// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "device/storage/loadiphone.h"

#include "core/numbertext.h"
#include "core/utf8.h"
#include "device/storage/devicefiles.h"
#include "device/storage/devicepath.h"
#include "device/storage/filetransfer.h"

namespace {
// Adds each chunk to the batch's running count and shows the batch's percentage.
ChunkDone progressReporter(ProgressIndicator *progress, TextField *progressText, int64_t tatolSize,
                           int64_t *redoSize)
{
    return [=, own = int64_t(0)](size_t bytes) mutable {
        int64_t *count = redoSize ? redoSize : &own;
        *count += static_cast<int64_t>(bytes);
        // An empty batch total would divide by zero; it shows as 0%.
        const double percent = tatolSize > 0 ? static_cast<double>(*count) / static_cast<double>(tatolSize) * 100.0 : 0.0;
        if (progress)
            progress->setDoubleValue(percent);
        if (progressText)
            progressText->setStringValue(formatFixed(percent, 2) + "%");
    };
}
} // namespace

int loadIPhone::getfile(userDataIphone *data, const char *localpath, const char *remotepath,
                        ProgressIndicator *progress, TextField *progressText, int64_t tatolSize, int64_t *redoSize)
{
    return copyFromDevice(data, localpath, remotepath, progressReporter(progress, progressText, tatolSize, redoSize));
}

int loadIPhone::put_file(userDataIphone *data, const char *localpath, const char *remotepath,
                         ProgressIndicator *progress, TextField *progressText, int64_t tatolSize, int64_t *redoSize)
{
    if (!remotepath || !isValidUtf8(remotepath))
        return -1;
    // The folder the file goes into is made when missing (one level only).
    const std::string parent = parentFolder(remotepath);
    if (!parent.empty() && dirExists(parent.c_str(), data) != 0)
        AFCDirectoryCreate(data ? data->conn : nullptr, parent.c_str());
    return copyToDevice(data, localpath, remotepath, progressReporter(progress, progressText, tatolSize, redoSize));
}
