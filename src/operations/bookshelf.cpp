// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "operations/bookshelf.h"

#include "core/uitext.h"
#include "device/storage/loadiphone.h"
#include "library/epub.h"

BookOperationResult BookShelf::wholeBook(BookContext &context, BookStart start)
{
    if (!start.steps)
        return std::move(*start.result);
    if (context.session)
        start.steps->ahead(context.session->treeCopier());
    return start.steps->inTurn(context, false);
}

BookStart CatalogueShelf::startExport(BookContext &context, const epub &book, const std::string &folder)
{
    return startExport(context, book.mediaPcPath(), folder, book.ispurchases(), book.mediaName());
}

DocumentsShelf::DocumentsShelf(std::string identifier, std::string displayName, AppClashQuestion clash)
    : m_identifier(std::move(identifier)), m_displayName(std::move(displayName)), m_clash(std::move(clash))
{
}

DocumentsShelf::~DocumentsShelf()
{
    close();
}

void DocumentsShelf::close()
{
    for (afc_connection *lane : m_lanes)
        AFCConnectionClose(lane);
    m_lanes.clear();
    if (m_connection)
        AFCConnectionClose(m_connection);
    m_connection = nullptr;
}

afc_connection *DocumentsShelf::connection(BookContext &context, std::string *why)
{
    if (!m_opened) {
        m_opened = true;
        userDataIphone *data = context.device(&m_why);
        if (data && openShelf(data->dev, where(), &m_connection, &m_why) != MDERR_OK) {
            m_connection = nullptr;
            if (m_why.empty())
                m_why = uiText("Operations", "the app's Documents folder cannot be opened");
        }
    }
    // A device removed since is said as such, not as a failed request.
    std::string gone;
    if (m_connection && !context.device(&gone)) {
        *why = gone;
        return nullptr;
    }
    if (!m_connection)
        *why = m_why;
    return m_connection;
}

std::vector<afc_connection *> DocumentsShelf::lanes(BookContext &context)
{
    std::string why;
    userDataIphone *data = context.device(&why);
    if (!m_lanesOpened && data) {
        m_lanesOpened = true;
        // Any the device refuses are simply not used.
        for (int i = 0; i < kLanes; ++i) {
            afc_connection *lane = nullptr;
            if (openShelf(data->dev, where(), &lane) == MDERR_OK)
                m_lanes.push_back(lane);
        }
    }
    return m_lanes;
}

std::string DocumentsShelf::relativeOf(const epub &book)
{
    const std::string prefix = std::string(Shelf::app({}).folder()) + "/";
    const std::string &path = book.mediaPcPath();
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
}

bool DocumentsShelf::takesFile(const std::string &file) const
{
    return hasEpubExtension(file) || (m_takesPdf && hasPdfExtension(file));
}

BookStart DocumentsShelf::startImport(BookContext &, const std::string &file)
{
    if (hasPdfExtension(file) && !m_takesPdf)
        return BookOperationResult::makeFailed(appImportItem(file),
                                               uiArgs(uiText("Operations", "a PDF, and %1 does not say it takes PDFs"), {m_displayName}));
    return inTurnOnly([this, file](BookContext &context) {
        std::string why;
        afc_connection *conn = connection(context, &why);
        if (!conn)
            return BookOperationResult::makeFailed(appImportItem(file), why);
        return importIntoApp(conn, file, m_clash, lanes(context));
    });
}

BookStart DocumentsShelf::startExport(BookContext &, const epub &book, const std::string &folder)
{
    const std::string relative = relativeOf(book);
    return inTurnOnly([this, relative, folder](BookContext &context) {
        std::string why;
        afc_connection *conn = connection(context, &why);
        if (!conn)
            return BookOperationResult::makeFailed(relative, why);
        return exportFromApp(conn, relative, folder, context);
    });
}

BookOperationResult DocumentsShelf::removeBook(BookContext &context, const epub &book)
{
    const std::string relative = relativeOf(book);
    std::string why;
    afc_connection *conn = connection(context, &why);
    if (!conn)
        return BookOperationResult::makeFailed(relative, why);
    return deleteFromApp(conn, relative);
}
