// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "epubbuilder.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::string EpubBuilder::containerFor(const std::string &opfPath)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" + opfPath + "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

std::string EpubBuilder::packageDocument(const std::string &title, const std::string &creator,
                                         const std::string &extraMetadata, const std::string &extraManifest)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"uid\">\n"
           "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
           "    <dc:identifier id=\"uid\">urn:uuid:12345678-1234-1234-1234-123456789abc</dc:identifier>\n"
           "    <dc:title>" + title + "</dc:title>\n"
           "    <dc:creator>" + creator + "</dc:creator>\n"
           "    <dc:language>en</dc:language>\n"
           "    <meta property=\"dcterms:modified\">2020-01-01T00:00:00Z</meta>\n" +
           extraMetadata +
           "  </metadata>\n"
           "  <manifest>\n"
           "    <item href=\"nav.xhtml\" id=\"nav\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
           "    <item href=\"chapter1.xhtml\" id=\"ch1\" media-type=\"application/xhtml+xml\"/>\n" +
           extraManifest +
           "  </manifest>\n"
           "  <spine>\n"
           "    <itemref idref=\"ch1\"/>\n"
           "  </spine>\n"
           "</package>\n";
}

EpubBuilder EpubBuilder::validBook(const std::string &title, const std::string &creator, const std::string &opfPath)
{
    const std::string dir = opfPath.find('/') == std::string::npos ? "" : opfPath.substr(0, opfPath.rfind('/') + 1);
    EpubBuilder b;
    b.add("mimetype", "application/epub+zip", true);
    b.add("META-INF/container.xml", containerFor(opfPath));
    b.add(opfPath, packageDocument(title, creator));
    b.add(dir + "nav.xhtml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">\n"
          "<head><title>Contents</title></head>\n"
          "<body><nav epub:type=\"toc\"><ol><li><a href=\"chapter1.xhtml\">One</a></li></ol></nav></body>\n"
          "</html>\n");
    b.add(dir + "chapter1.xhtml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
          "<head><title>One</title></head>\n"
          "<body><p>Call me a test.</p></body>\n"
          "</html>\n");
    return b;
}

EpubBuilder &EpubBuilder::add(const std::string &name, const std::string &content, bool stored)
{
    remove(name);
    m_entries.push_back({name, content, stored, false});
    return *this;
}

EpubBuilder &EpubBuilder::addSymlink(const std::string &name, const std::string &target)
{
    remove(name);
    m_entries.push_back({name, target, true, true});
    return *this;
}

EpubBuilder &EpubBuilder::remove(const std::string &name)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry &e) { return e.name == name; }),
                    m_entries.end());
    return *this;
}

bool EpubBuilder::write(const std::string &path) const
{
    int code = 0;
    zip_t *zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip)
        return false;
    for (const Entry &e : m_entries) {
        zip_source_t *src = zip_source_buffer(zip, e.content.data(), e.content.size(), 0);
        const zip_int64_t index = src ? zip_file_add(zip, e.name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            zip_source_free(src);
            zip_discard(zip);
            return false;
        }
        const auto i = static_cast<zip_uint64_t>(index);
        if (e.stored)
            zip_set_file_compression(zip, i, ZIP_CM_STORE, 0);
        if (e.symlink)
            zip_file_set_external_attributes(zip, i, 0, ZIP_OPSYS_UNIX, static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return false;
    }
    return true;
}

namespace {
constexpr const char *kJava = "/usr/bin/java";
constexpr const char *kEpubcheck = "/usr/bin/epubcheck";
} // namespace

bool epubcheckAvailable()
{
#ifdef BOOKFERRY_TESTS_SANITIZED
    return false;
#else
    return ::access(kJava, X_OK) == 0 && ::access(kEpubcheck, R_OK) == 0;
#endif
}

const char *epubcheckMissingReason()
{
#ifdef BOOKFERRY_TESTS_SANITIZED
    return "epubcheck runs in the plain build only";
#else
    return "epubcheck is not installed (Debian package epubcheck)";
#endif
}

int runEpubcheck(const std::string &file, std::string *output)
{
    char log[] = "/tmp/bookferry-epubcheck-XXXXXX";
    const int fd = ::mkstemp(log);
    if (fd < 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl(kJava, "java", "-jar", kEpubcheck, file.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fd);
    int status = 0;
    if (pid > 0)
        ::waitpid(pid, &status, 0);
    std::ifstream in(log);
    std::ostringstream text;
    text << in.rdbuf();
    *output = text.str();
    ::unlink(log);
    return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
