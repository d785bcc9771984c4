// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/applistingcache.h"

#include "core/cachetrim.h"
#include "core/fullio.h"
#include "core/stablename.h"
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr int kFormat = 1;

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

} // namespace

AppListingCache::AppListingCache(std::string folder, uint64_t maxBytes)
    : m_folder(std::move(folder)), m_maxBytes(maxBytes)
{
}

std::string AppListingCache::fileOf(const std::string &device, const std::string &app) const
{
    return m_folder + "/" + stableName(device + '\n' + app) + ".json";
}

std::vector<AppBook> AppListingCache::load(const std::string &device, const std::string &app) const
{
    std::vector<AppBook> books;
    if (m_folder.empty())
        return books;
    const std::string file = fileOf(device, app);
    // The writer keeps the folder under its bound, so a larger file is none of ours: it goes, and
    // the next listing writes it anew. Only a plain file is read, never waiting on a pipe.
    const std::optional<std::string> bytes = readRegularFile(file, m_maxBytes);
    if (!bytes) {
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(file, ec)))
            fs::remove(file, ec);
        return books;
    }
    const QJsonObject top = QJsonDocument::fromJson(QByteArray::fromStdString(*bytes)).object();
    // Another device or app whose name hashed the same, or another format, is no listing of this one.
    if (top.value(QLatin1String("format")).toInt() != kFormat ||
        top.value(QLatin1String("device")).toString() != text(device) ||
        top.value(QLatin1String("app")).toString() != text(app))
        return books;
    for (const QJsonValue &item : top.value(QLatin1String("books")).toArray()) {
        const QJsonObject o = item.toObject();
        AppBook book;
        book.path = o.value(QLatin1String("path")).toString().toStdString();
        book.relative = o.value(QLatin1String("relative")).toString().toStdString();
        book.folder = o.value(QLatin1String("folder")).toBool();
        book.size = o.value(QLatin1String("size")).toString().toULongLong();
        book.modified = o.value(QLatin1String("modified")).toString().toULongLong();
        book.problem = o.value(QLatin1String("problem")).toString().toStdString();
        const QJsonObject values = o.value(QLatin1String("values")).toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            book.values[it.key().toStdString()] = it.value().toString().toStdString();
        // A kept listing is a hint: only a book inside Documents, named as the listing names it.
        if (!book.path.empty() && appBookPath(book.relative, nullptr) == book.path)
            books.push_back(std::move(book));
    }
    // Used now: the bound takes the listings used longest ago first.
    std::error_code ec;
    fs::last_write_time(file, fs::file_time_type::clock::now(), ec);
    return books;
}

bool AppListingCache::save(const std::string &device, const std::string &app,
                           const std::vector<AppBook> &books) const
{
    if (m_folder.empty())
        return false;
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    QJsonArray list;
    for (const AppBook &book : books) {
        QJsonObject values;
        for (const auto &[key, value] : book.values)
            values.insert(text(key), text(value));
        QJsonObject o;
        o.insert(QLatin1String("path"), text(book.path));
        o.insert(QLatin1String("relative"), text(book.relative));
        o.insert(QLatin1String("folder"), book.folder);
        // As text: a JSON number loses the nanoseconds of a time.
        o.insert(QLatin1String("size"), QString::number(book.size));
        o.insert(QLatin1String("modified"), QString::number(book.modified));
        o.insert(QLatin1String("problem"), text(book.problem));
        o.insert(QLatin1String("values"), values);
        list.append(o);
    }
    QJsonObject top;
    top.insert(QLatin1String("format"), kFormat);
    top.insert(QLatin1String("device"), text(device));
    top.insert(QLatin1String("app"), text(app));
    top.insert(QLatin1String("books"), list);
    const std::string file = fileOf(device, app);
    std::random_device random;
    const std::string part = file + ".part" + std::to_string(random());
    {
        const QByteArray json = QJsonDocument(top).toJson(QJsonDocument::Compact);
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(json.constData(), json.size());
        out.close();
        if (!out) {
            fs::remove(part, ec);
            return false;
        }
    }
    fs::rename(part, file, ec);
    if (ec) {
        fs::remove(part, ec);
        return false;
    }
    trim();
    return true;
}

void AppListingCache::trim() const
{
    trimCacheFolder(m_folder, m_maxBytes);
}

std::map<std::string, AppBook> AppListingCache::byPath(const std::vector<AppBook> &books)
{
    std::map<std::string, AppBook> out;
    for (const AppBook &book : books)
        out.emplace(book.path, book);
    return out;
}

bool AppListingCache::fill(const std::map<std::string, AppBook> &kept, AppBook &book)
{
    const auto it = kept.find(book.path);
    if (it == kept.end() || it->second.folder || it->second.size != book.size ||
        it->second.modified != book.modified || book.modified == 0)
        return false;
    book.values = it->second.values;
    book.problem = it->second.problem;
    book.relative = it->second.relative;
    return true;
}
