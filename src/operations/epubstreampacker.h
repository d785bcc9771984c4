// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

#include <memory>
#include <string>

// Packs a book folder while it is still being filled: each file handed to add() is packed
// on a thread of its own as soon as it comes, in the order they come, with the same choices
// as packEpub (mimetype written first, stored and exact; the rest deflated unless already
// compressed). finish() adds what was not handed over (empty files, say) and writes the
// archive's directory with the entries in packEpub's order, and renames the archive to `target`. Anything the stream cannot do (a write error, a size past the plain zip limits)
// makes finish() fall back to packEpub, so the result is never worse than packing at the end.
// The files must not change once handed over. Destroying an unfinished packer removes its
// output.
class EpubStreamPacker
{
public:
    // `scratch` is where the archive grows: a file name of its own on the target's file system.
    EpubStreamPacker(std::string folder, std::string scratch);
    ~EpubStreamPacker();
    EpubStreamPacker(const EpubStreamPacker &) = delete;
    EpubStreamPacker &operator=(const EpubStreamPacker &) = delete;

    void add(const std::string &file); // any thread; files outside the folder are ignored
    bool finish(const std::string &target, std::string *error);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
