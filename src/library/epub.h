// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <plist/plist.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One book as the book table shows it. Records are shared (std::shared_ptr) between the
// list the table shows and the transfer that reads their check marks; only the main
// thread changes them.
class epub final
{
public:
    epub() = default;
    // Takes "Name", "Artist", "Album", "Genre" and "Path" of a catalogue entry (a missing
    // key gives an empty field); the record starts check-marked, neither flag set.
    static std::shared_ptr<epub> initWithDict(plist_t entry);

    const std::string &mediaName() const { return m_name; }
    void setMediaName(const std::string &value) { m_name = value; }
    const std::string &mediaArtist() const { return m_artist; }
    void setMediaArtist(const std::string &value) { m_artist = value; }
    const std::string &mediaAlbum() const { return m_album; }
    void setMediaAlbum(const std::string &value) { m_album = value; }
    const std::string &mediaGenre() const { return m_genre; }
    void setMediaGenre(const std::string &value) { m_genre = value; }
    const std::string &mediaPcPath() const { return m_filepath; }
    void setMediaPcPath(const std::string &value) { m_filepath = value; }
    // Never filled by this system.
    const std::optional<double> &mediaSize() const { return m_mediaSize; }
    void setMediaSize(std::optional<double> value) { m_mediaSize = value; }
    // "Select" here means the book's check mark in the table, not a highlighted row.
    bool isSelect() const { return m_isSelect; }
    void setIsSelect(bool value) { m_isSelect = value; }
    bool isuserItem() const { return m_isuserItem; }
    void setisuserItem(bool value) { m_isuserItem = value; }
    bool ispurchases() const { return m_ispurchases; }
    void setispurchases(bool value) { m_ispurchases = value; }

private:
    std::string m_name;
    std::string m_artist;
    std::string m_album;
    std::string m_genre;
    std::string m_filepath;
    std::optional<double> m_mediaSize;
    bool m_isSelect = true;
    bool m_isuserItem = false;
    bool m_ispurchases = false;
};

using EpubList = std::vector<std::shared_ptr<epub>>;
