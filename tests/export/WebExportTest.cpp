#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <chrono>
#include <filesystem>

#include "ExportFixture.h"
#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "export/ExportManager.h"
#include "export/MailSender.h"
#include "export/PanoramaExport.h"
#include "export/WebPage.h"
#include "shell/ResourceLibrary.h"
#include "support/ScriptedUi.h"
#include "support/TourExportSupport.h"
#include "support/WaitUntil.h"

namespace orbpix {
namespace {

using namespace std::chrono_literals;

TEST(WebPageText, EscapesOnlyQuotesAnglesAndLineBreaks) {
    EXPECT_EQ(escapePageText("Tom & \"Jerry\" <b>"), "Tom & &quot;Jerry&quot; &lt;b&gt;");
    EXPECT_EQ(escapePageText("1 Main St\r\nSpringfield"), "1 Main St<br>Springfield");
    EXPECT_EQ(escapePageText("a\nb\r\n\r\nc"), "a<br>b<br><br>c");
    EXPECT_EQ(escapePageText("caf\xC3\xA9 $x$ 'y'"), "caf\xC3\xA9 $x$ 'y'");

    EXPECT_EQ(pageBaseName("index.html"), "index");
    EXPECT_EQ(pageBaseName("page.htm"), "page");
    EXPECT_EQ(pageBaseName("a.html.htm"), "a.html");
    EXPECT_EQ(pageBaseName("start"), "start");

    EXPECT_EQ(pagePictureList({"a.jpg", "b.jpg"}, {"b.jpg"}), "\"a.jpg\"");
    EXPECT_EQ(pagePictureList({"x", "x", "<y>"}, {"x"}), "\"x\",\"&lt;y&gt;\"");
    EXPECT_EQ(pagePictureList({"a"}, {"a"}), "");
}

TEST(WebPageText, TagsAreReplacedEverywhereInTheirOrder) {
    PageTags tags;
    tags.authorName = "Ann <Co>";
    tags.authorAddress = "Road 1\r\nTown";
    tags.authorHomepage = "http://a.example/?q=\"1\"";
    // An album name that spells a later tag gets that tag replaced too, as the order says.
    tags.albumName = "Trip & $ORB_HTML_PAGE_TAG$";
    tags.pictureList = "\"p\"";
    tags.pageBase = "in<dex";
    const QByteArray page = fillPageTemplate(
        "$ORB_INFO_CIE_TAG$|$ORB_INFO_ADDRESS_TAG$|$ORB_INFO_URL_TAG$|$ORB_ALBUM_NAME_TAG$|"
        "[$ORB_PHOTO_LIST_TAG$]|$ORB_HTML_PAGE_TAG$|$ORB_ALBUM_NAME_TAG$",
        tags);
    EXPECT_EQ(page,
              "Ann &lt;Co&gt;|Road 1<br>Town|http://a.example/?q=&quot;1&quot;|Trip & in<dex|"
              "[\"p\"]|in<dex|Trip & in<dex");
}

class WebExportTest : public test::ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        writeTemplate("Export/Html/main.html",
                      "<title>$ORB_ALBUM_NAME_TAG$</title><p>$ORB_INFO_CIE_TAG$</p>"
                      "<p>$ORB_INFO_ADDRESS_TAG$</p><a href=\"$ORB_INFO_URL_TAG$\">"
                      "[$ORB_PHOTO_LIST_TAG$] $ORB_HTML_PAGE_TAG$");
        writeTemplate("Export/Html/viewer.js", "common script");
        writeTemplate("Export/Html/look.css", "common look");
    }
    // Templates of the test's own: the program folder's skin folder is the built one, so a
    // skin of the test's own is made beside it.
    void writeTemplate(const QString& name, const QByteArray& content) {
        ASSERT_TRUE(writeFile(programFolder() + "/" + name, content));
    }
    std::unique_ptr<FolderAlbum> twoPictureAlbum(const QString& folder) {
        EXPECT_TRUE(QDir().mkpath(folder));
        EXPECT_TRUE(test::writeRingPicture(folder + "/1.jpg", 320, 240, 20, 100, 1));
        EXPECT_TRUE(writeFile(folder + "/2.jpg", "not a picture"));
        auto album = FolderAlbum::open(folder.toStdString());
        EXPECT_TRUE(album && album->itemCount() == 2u);
        if (album) {
            EXPECT_TRUE(album->setProperty(0, "CIRCLES", test::ringCircles(320, 240, 20, 100)));
        }
        return album;
    }
    ExportSettings author(bool keepPrivate) const {
        ExportSettings settings;
        settings.userName = "Ann <Ltd>";
        settings.userAddress = "Road 1\nTown";
        settings.userHomepage = "http://ann.example";
        settings.userPrivate = keepPrivate ? 1 : 0;
        settings.skin = "Mine";
        return settings;
    }
};

TEST_F(WebExportTest, SkinTemplatesWinAndMainBecomesThePageName) {
    writeTemplate("Skins/Mine/Html/look.css", "skin look");
    writeTemplate("Skins/Mine/Html/main.htm", "skin page $ORB_HTML_PAGE_TAG$");
    const QString out = m_temp.path("out");
    ASSERT_TRUE(QDir().mkpath(out));
    PageTags tags;
    tags.pageBase = "index";
    const GeneratedPages pages =
        generatePages(pageTemplateFolders(programFolder(), "Mine"), out, "index.html", tags);
    EXPECT_TRUE(pages.ok);
    EXPECT_EQ(pages.files, (QStringList{out + "/look.css", out + "/index.html", out + "/viewer.js",
                                        out + "/index.htm"}));
    EXPECT_EQ(readFile(out + "/look.css"), "skin look");
    EXPECT_EQ(readFile(out + "/index.htm"), "skin page index");
    EXPECT_EQ(readFile(out + "/viewer.js"), "common script");

    // A file that cannot be written fails the whole but the others are still written.
    const QString blocked = m_temp.path("blocked");
    ASSERT_TRUE(QDir().mkpath(blocked + "/viewer.js"));
    const GeneratedPages partly =
        generatePages({programFolder() + "/Export/Html"}, blocked, "index.html", tags);
    EXPECT_FALSE(partly.ok);
    EXPECT_EQ(readFile(blocked + "/look.css"), "common look");
}

TEST_F(WebExportTest, AlbumBecomesAPageFolderThatIsOpened) {
    auto album = twoPictureAlbum(m_temp.path("library/Trip <1>"));
    ASSERT_TRUE(album);
    test::ScriptedUi ui;
    ui.pageFolder = m_temp.path("site");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("site")));
    ExportManager manager(ui, author(false), programFolder());
    ASSERT_TRUE(manager.exportWebPage(*album, "Trip <1>"));

    const QString out = m_temp.path("site/Trip <1>");
    EXPECT_EQ(ui.openedPages, QStringList{out + "/index.html"});
    EXPECT_EQ(ui.maximum, 200);
    ASSERT_EQ(ui.messages.size(), 1);  // the picture left out
    EXPECT_TRUE(ui.messages[0].contains("2.jpg"));
    // The second picture was left out: a list of one name, no separator.
    EXPECT_EQ(readFile(out + "/index.html"),
              "<title>Trip &lt;1&gt;</title><p>Ann &lt;Ltd&gt;</p><p>Road 1<br>Town</p>"
              "<a href=\"http://ann.example\">[\"1.jpg\"] index");
    const auto tour = readTourAlbumFile((out + "/album.orb").toStdString());
    ASSERT_TRUE(tour);
    EXPECT_EQ(tour->title, "Trip <1>");
    ASSERT_EQ(tour->pictures.size(), 1u);
    QImage panorama;
    ASSERT_TRUE(panorama.loadFromData(tour->pictures[0].jpeg.data(),
                                      int(tour->pictures[0].jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(2000, 500));  // "CompressionHtml" 100
    // The script beside the page carries the very bytes of the album file.
    const QByteArray script = readFile(out + "/album.orb.js");
    const qsizetype open = script.indexOf("=\n\"");
    ASSERT_GT(open, 0);
    EXPECT_TRUE(
        script.startsWith("(window.orbAlbumFiles = window.orbAlbumFiles || {})"
                          "[\"album.orb\"]"));
    EXPECT_EQ(QByteArray::fromBase64(script.mid(open + 3, script.lastIndexOf('"') - open - 3)),
              readFile(out + "/album.orb"));

    // Again into the same folder: refusing keeps it, agreeing replaces it whole, with
    // write-protected files in it; "Private" empties the author's lines.
    writeFile(out + "/old.txt", "old");
    QFile::setPermissions(out + "/old.txt", QFile::ReadOwner);
    test::ScriptedUi refusing;
    refusing.pageFolder = ui.pageFolder;
    refusing.answerOk = false;
    ExportManager kept(refusing, author(true), programFolder());
    EXPECT_FALSE(kept.exportWebPage(*album, "Trip <1>"));
    EXPECT_EQ(refusing.questions, QStringList{resourceLibrary().text(634).replace("%s", out)});
    EXPECT_TRUE(QFileInfo::exists(out + "/old.txt"));

    test::ScriptedUi agreeing;
    agreeing.pageFolder = ui.pageFolder;
    agreeing.pageOpens = false;
    ExportManager replaced(agreeing, author(true), programFolder());
    ASSERT_TRUE(replaced.exportWebPage(*album, "Trip <1>"));
    EXPECT_FALSE(QFileInfo::exists(out + "/old.txt"));
    EXPECT_TRUE(readFile(out + "/index.html")
                    .startsWith("<title>Trip &lt;1&gt;</title><p></p><p></p>"
                                "<a href=\"\">"));
    EXPECT_FALSE(readTourAlbumFile((out + "/album.orb").toStdString())->info);
    ASSERT_FALSE(agreeing.messages.isEmpty());
    EXPECT_EQ(agreeing.messages.last(),
              resourceLibrary().text(626).replace("%s", out + "/index.html"));

    // A cancelled folder choice does nothing.
    test::ScriptedUi cancelling;
    ExportManager none(cancelling, author(false), programFolder());
    EXPECT_FALSE(none.exportWebPage(*album, "Other"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("site/Other")));
}

// A stand-in for the mail command, first on the search path: it records its arguments, one
// a line, and answers with the status in MAIL_STATUS.
class MailExportTest : public WebExportTest {
protected:
    void SetUp() override {
        WebExportTest::SetUp();
        const QString bin = m_temp.path("bin");
        ASSERT_TRUE(writeFile(bin + "/xdg-email",
                              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                  m_temp.path("mail.log").toUtf8() +
                                  "\"\nexit ${MAIL_STATUS:-0}\n"));
        ASSERT_TRUE(QFile::setPermissions(bin + "/xdg-email",
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_env.set("PATH", bin + ":/usr/bin:/bin");
    }
    QStringList mailArgs() const {
        return QString::fromUtf8(readFile(m_temp.path("mail.log"))).split('\n', Qt::SkipEmptyParts);
    }
    QStringList attachments() const {
        QStringList files;
        const QStringList args = mailArgs();
        for (qsizetype i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "--attach")
                files << args[i + 1];
        return files;
    }
};

TEST_F(MailExportTest, LooseFilesWaitForTheMailProgramAndStayADay) {
    AlbumLibrary library;
    ASSERT_TRUE(library.setRoot(m_temp.path("library"), RootCreation::Yes));
    const QString picture = m_temp.path("pictures/a.jpg");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("pictures")));
    ASSERT_TRUE(test::writeRingPicture(picture, 320, 240, 20, 100, 3));
    test::ScriptedUi ui;
    ExportManager manager(ui, author(false), programFolder());
    ASSERT_TRUE(manager.exportEmail("Tour", {picture}, library));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('\n').toStdString();
    EXPECT_EQ(MailProvider::useCount(), 0);

    const QStringList args = mailArgs();
    ASSERT_GE(args.size(), 5);
    EXPECT_EQ(args.mid(0, 5), (QStringList{"--utf8", "--subject", " ", "--body",
                                           resourceLibrary().text(629).split('\n')[0]}));
    // The page's files in the order written, the album script, the tour album file last.
    const QStringList files = attachments();
    ASSERT_EQ(files.size(), 5);
    QStringList names;
    for (const QString& file : files)
        names << QFileInfo(file).fileName();
    EXPECT_EQ(names,
              (QStringList{"look.css", "index.html", "viewer.js", "album.orb.js", "album.orb"}));
    // A mail program may read them only when the message goes: they stay until a later
    // message finds them a day old.
    for (const QString& file : files)
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    const QString sent = QFileInfo(files[0]).absolutePath();
    sweepSentMail(QDateTime::currentDateTime().addDays(-1));
    EXPECT_TRUE(QFileInfo::exists(sent));
    std::filesystem::last_write_time(
        sent.toStdString(), std::filesystem::file_time_type::clock::now() - std::chrono::hours(25));
    sweepSentMail(QDateTime::currentDateTime().addDays(-1));
    EXPECT_FALSE(QFileInfo::exists(sent));
    // The temporary album is gone from the library.
    EXPECT_TRUE(
        QDir(m_temp.path("library")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(MailExportTest, RefusedSendIsReportedAndStillDeletesTheFiles) {
    m_env.set("MAIL_STATUS", "4");
    auto album = twoPictureAlbum(m_temp.path("library/Trip"));
    ASSERT_TRUE(album);
    test::ScriptedUi ui;
    ExportManager manager(ui, author(false), programFolder());
    EXPECT_FALSE(manager.exportEmail(*album, "Trip", /*asynchronous=*/false));
    EXPECT_EQ(ui.messages.last(), resourceLibrary().text(628));
    const QStringList files = attachments();
    ASSERT_EQ(files.size(), 5);
    for (const QString& file : files)
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_EQ(MailProvider::useCount(), 0);
}

TEST_F(MailExportTest, OpenAlbumIsSentOnAThreadThatDeletesTheFiles) {
    auto album = twoPictureAlbum(m_temp.path("library/Trip"));
    ASSERT_TRUE(album);
    // The stand-in waits for a file before it answers, so the files are seen while the mail
    // program has them, and the export has returned by then.
    const QString gate = m_temp.path("gate");
    const QString bin = m_temp.path("bin");
    ASSERT_TRUE(writeFile(bin + "/xdg-email",
                          "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                              m_temp.path("mail.log").toUtf8() + "\"\nwhile [ ! -e \"" +
                              gate.toUtf8() + "\" ]; do sleep 0.05; done\nexit 1\n"));
    test::ScriptedUi ui;
    ExportManager manager(ui, author(false), programFolder());
    ASSERT_TRUE(manager.exportEmail(*album, "Trip", /*asynchronous=*/true));
    ASSERT_TRUE(test::waitUntil([&] { return attachments().size() == 5; }, 10s));
    const QStringList files = attachments();
    for (const QString& file : files)
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_EQ(MailProvider::useCount(), 1);  // held by the sending thread
    ASSERT_TRUE(writeFile(gate, "go"));
    // Cancelled in the mail program: the files go all the same, and nothing is shown.
    EXPECT_TRUE(test::waitUntil(
        [&] { return !QFileInfo::exists(QFileInfo(files[0]).absolutePath()); }, 10s));
    EXPECT_TRUE(test::waitUntil([] { return MailProvider::useCount() == 0; }, 10s));
    EXPECT_EQ(ui.messages.size(), 1);  // only the picture left out
}

TEST_F(MailExportTest, NoMailProgramWritesNothing) {
    m_env.set("PATH", m_temp.path("nowhere"));
    auto album = twoPictureAlbum(m_temp.path("library/Trip"));
    ASSERT_TRUE(album);
    test::ScriptedUi ui;
    ExportManager manager(ui, author(false), programFolder());
    EXPECT_FALSE(manager.exportEmail(*album, "Trip", /*asynchronous=*/true));
    EXPECT_EQ(ui.messages, QStringList{resourceLibrary().text(627)});
    EXPECT_EQ(ui.maximum, -1);
    EXPECT_TRUE(QDir(m_temp.path("tmp")).isEmpty());
}

// The panorama of one picture for other viewers: the mounting's angles place its band.
TEST_F(WebExportTest, PanoramaForOtherViewersDescribesItsBand) {
    const QString ring = m_temp.path("pictures/r.jpg");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("pictures")));
    ASSERT_TRUE(test::writeRingPicture(ring, 320, 240, 20, 100, 4));
    ExportPicture picture{ring.toStdString(), "r.jpg", test::ringCircles(320, 240, 20, 100),
                          "1,-26,64", std::nullopt};
    const QString out = m_temp.path("r-sphere.jpg");
    QString reason;
    ASSERT_TRUE(exportPanorama(picture, out, 200, &reason)) << reason.toStdString();
    const QByteArray file = readFile(out);
    EXPECT_TRUE(file.contains("<GPano:FullPanoWidthPixels>800</GPano:FullPanoWidthPixels>"));
    EXPECT_TRUE(file.contains("<GPano:CroppedAreaTopPixels>58</GPano:CroppedAreaTopPixels>"));
    QImage panorama;
    ASSERT_TRUE(panorama.loadFromData(file, "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(800, 200));

    picture.circles = "500,500,10,400";
    EXPECT_FALSE(exportPanorama(picture, m_temp.path("none.jpg"), 200, &reason));
    EXPECT_TRUE(reason.contains("ring")) << reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("none.jpg")));
}

}  // namespace
}  // namespace orbpix
