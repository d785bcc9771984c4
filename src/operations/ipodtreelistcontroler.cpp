// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/ipodtreelistcontroler.h"

#include "operations/bookshelf.h"
#include "operations/devicelibrary.h"

// ---- Book operations: the catalogue shelf's --------------------------------------------------

BookOperationResult iPodTreeListControler::addEPUBToDevice(const std::string &path)
{
    BookContext context = m_library.bookContext();
    return BookShelf::wholeBook(context, m_library.books().startImport(context, path));
}

BookOperationResult iPodTreeListControler::saveEpubToMac(const std::string &path, const std::string &dstpath,
                                                         bool isbuybook, const std::string &titlename)
{
    BookContext context = m_library.bookContext();
    return BookShelf::wholeBook(context,
                                m_library.books().startExport(context, path, dstpath, isbuybook, titlename));
}

BookOperationResult iPodTreeListControler::deleteMediaFromDevice(const epub &record)
{
    BookContext context = m_library.bookContext();
    return m_library.books().removeBook(context, record);
}
