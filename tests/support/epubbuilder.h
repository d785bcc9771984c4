// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <string>
#include <vector>

// Writes small ePub (zip) files at test time: a valid book by default, or any entries a
// test asks for, hostile ones included (names with "..", absolute names, symbolic links).
class EpubBuilder
{
public:
    // An EPUB 3 book that passes epubcheck: mimetype, container, package document at
    // `opfPath`, a navigation document and one chapter.
    static EpubBuilder validBook(const std::string &title, const std::string &creator,
                                 const std::string &opfPath = "OEBPS/content.opf");
    // The package document of validBook, for tests that vary it.
    static std::string packageDocument(const std::string &title, const std::string &creator,
                                       const std::string &extraMetadata = {}, const std::string &extraManifest = {});
    static std::string containerFor(const std::string &opfPath);

    EpubBuilder &add(const std::string &name, const std::string &content, bool stored = false);
    EpubBuilder &addSymlink(const std::string &name, const std::string &target);
    EpubBuilder &remove(const std::string &name);

    // Writes the archive; entries in the order added. False when libzip refuses.
    bool write(const std::string &path) const;

private:
    struct Entry
    {
        std::string name;
        std::string content;
        bool stored = false;
        bool symlink = false;
    };
    std::vector<Entry> m_entries;
};

// epubcheck (the Debian package installs a jar run with java). Available when both exist and
// the tests are not built with a sanitizer: epubcheck judges the bytes the packer writes, which
// are the same in every build, and a Java start per book is the longest step of those runs.
bool epubcheckAvailable();
// Why epubcheckAvailable() is false, for a test's skip message.
const char *epubcheckMissingReason();
// Runs epubcheck on `file` without a shell; its exit status (0: valid), -1 when it cannot run.
// *output receives what it printed.
int runEpubcheck(const std::string &file, std::string *output);
