// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
// PDFs offered to the import only where the selected shelf takes them: the panel's filters,
// the files a drop or the desktop brings, and a PDF handed over while such an app is selected.
#include "appfixture.h"

#include "app/appshelf.h"
#include "app/importsources.h"
#include "core/mainqueue.h"
#include "library/samplepdf.h"
#include "operations/devicelistmodel.h"
#include "widgets/aioutlineview.h"

#include <QDir>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

TEST(PdfImportFilters, PdfsAreOfferedOnlyWhereTaken)
{
    EXPECT_EQ(importNameFilters(false).join(u'|').toStdString(), "ePub books (*.epub)|All files (*)");
    EXPECT_TRUE(importNameFilters(true).first().contains(QLatin1String("*.epub *.pdf")));

    TempDir dir;
    for (const char *name : {"a.epub", "b.pdf", "c.PDF", "d.txt", "sub/e.pdf", "sub/f.epub"})
        writeWholeFile(dir.file(name), "x");
    const QString root = QString::fromStdString(dir.path());
    // The files found below the dropped folder, without PDFs and with them.
    for (const auto &[withPdfs, expected] : {std::pair{false, "a.epub sub/f.epub"},
                                             std::pair{true, "a.epub b.pdf c.PDF sub/e.pdf sub/f.epub"}}) {
        QStringList relative;
        for (const QString &path : epubFilesDropped({QUrl::fromLocalFile(root)}, withPdfs))
            relative << QDir(root).relativeFilePath(path);
        EXPECT_EQ(relative.join(u' ').toStdString(), expected) << withPdfs;
    }
}

namespace {

class PdfImportWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeApp("org.example.pages", "Pages", {"org.idpf.epub-container", "com.adobe.pdf"});
        writeApp("org.example.leaf", "Leaf", {"org.idpf.epub-container"});
        SamplePdf sample;
        sample.title = "Moths";
        writeWholeFile(m_files.file("Moths.pdf"), samplePdf(sample));
    }
    void selectApp(const std::string &name)
    {
        for (AppShelfNode *node : apps().appNodes())
            if (node->app().displayName == name)
                m_window->iPodTableView->setCurrentIndex(deviceList(*m_window)->indexForNode(node));
        ASSERT_TRUE(apps().selectedApp());
        ASSERT_EQ(apps().selectedApp()->app().displayName, name);
    }
    std::string documents(const char *app) const
    {
        return m_deviceDir.file(std::string("apps/") + app + "/container/Documents");
    }
};

} // namespace

TEST_F(PdfImportWindowTest, APdfHandedOverGoesOnlyToAnAppThatTakesIt)
{
    attach();
    ASSERT_TRUE(processMainEventsUntil([&] { return apps().listedDevices() >= 1 && apps().idle(); }));
    const QString pdf = QString::fromStdString(m_files.file("Moths.pdf"));

    selectList(1); // Custom Books
    EXPECT_FALSE(m_interaction->importTakesPdf());
    selectApp("Leaf");
    EXPECT_FALSE(m_interaction->importTakesPdf());
    m_window->addFilesFromDesktop({pdf}, std::chrono::milliseconds(0));
    ASSERT_FALSE(m_interaction->questions.empty());
    EXPECT_TRUE(m_interaction->questions.back().startsWith(QLatin1String("No ePub book")))
        << m_interaction->questions.back().toStdString();

    selectApp("Pages");
    EXPECT_TRUE(m_interaction->importTakesPdf());
    m_interaction->answers.push_back(AlertFirstButtonReturn + 1); // "Add Books"
    m_window->addFilesFromDesktop({pdf}, std::chrono::milliseconds(0));
    EXPECT_TRUE(m_interaction->questions.back().startsWith(QLatin1String("Add 1 book to Pages")))
        << m_interaction->questions.back().toStdString();
    ASSERT_TRUE(waitForTransferEnd());
    EXPECT_EQ(readWholeFile(documents("org.example.pages") + "/Moths.pdf"), readWholeFile(m_files.file("Moths.pdf")));
    EXPECT_FALSE(fs::exists(documents("org.example.leaf") + "/Moths.pdf"));
}
