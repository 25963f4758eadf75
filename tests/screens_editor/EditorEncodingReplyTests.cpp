// The editor writes a file back in the encoding it was read with, and a refused download shows
// the server's own reply under libcurl's words.

#include "tests/screens_editor/EditorTestSupport.h"

#include "Classes/Controller/BusyAlert.h"

#include <gtest/gtest.h>

TEST_F(EditorTest, Latin1FileIsSavedAsLatin1UntilACharacterDoesNotFit)
{
    auto editor = open("latin.txt", std::string("caf\xe9\n"));
    ASSERT_TRUE(editor && editor->backupCode());
    EXPECT_EQ(editor->currentEncoding(), NSISOLatin1StringEncoding);
    EXPECT_EQ(editor->currentText(), u"caf\u00e9\n");

    editor->txtCode()->setSelectedRange({ 0, 0 });
    editor->txtCode()->insertText(u"\u00fc ");
    save();
    EXPECT_FALSE(UIAlertView::visibleAlert());
    EXPECT_EQ(server().readFile("latin.txt").value_or(""), "\xfc caf\xe9\n");

    // The switch to UTF-8 is told once; the file then stays UTF-8 for this session.
    editor->txtCode()->insertText(u"\u20ac");
    save();
    const auto shown = dismissAlert();
    EXPECT_EQ(shown.first, "Saved");
    EXPECT_EQ(shown.second, "'latin.txt' was saved.\n'latin.txt' was saved as UTF-8, because it now holds characters "
                            "that ISO Latin 1 cannot store.");
    EXPECT_EQ(server().readFile("latin.txt").value_or(""), "\xc3\xbc \xe2\x82\xac" "caf\xc3\xa9\n");
    EXPECT_EQ(*editor->backupCode(), editor->currentText());
    EXPECT_EQ(editor->currentEncoding(), NSUTF8StringEncoding);

    editor->txtCode()->deleteBackward();
    save();
    EXPECT_FALSE(UIAlertView::visibleAlert());
    EXPECT_EQ(server().readFile("latin.txt").value_or(""), "\xc3\xbc caf\xc3\xa9\n");
}

TEST_F(EditorTest, UnreadableFileShowsTheServersReply)
{
    for (const char* name : { "secret.txt", "secret.png" }) {
        SCOPED_TRACE(name);
        server().writeFile(name, "hidden");
        std::filesystem::permissions(server().pathFor(name), std::filesystem::perms::none);
        auto editor = open(name, nullptr);
        ASSERT_TRUE(editor);
        const auto shown = dismissAlert();
        EXPECT_EQ(shown.first, "Error");
        EXPECT_EQ(shown.second, "Could not open file (78)!\nThe server refused to send the file.\n550 Permission denied.");
        EXPECT_FALSE(editorOnTop());
        editor_.reset();
    }
}

TEST_F(EditorTest, SaveIsRefusedWhileAnotherOperationRuns)
{
    auto editor = open("page.txt", std::string("old\n"));
    ASSERT_TRUE(editor && editor->backupCode());
    editor->txtCode()->insertText(u"new ");
    std::atomic<bool> release { false };
    ASSERT_TRUE(NetworkManager::sharedManager().beginOperation(2, [&] {
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }));
    editor->btnSavePressed(nullptr);
    EXPECT_FALSE(editor->isSaving());
    release = true;
    waitIdle();
    const auto shown = dismissAlert();
    EXPECT_EQ(shown.first, "Error");
    EXPECT_EQ(shown.second, BusyAlert::message(BusyAlert::kFileNotSaved));
    EXPECT_EQ(server().readFile("page.txt").value_or(""), "old\n");
    EXPECT_NE(*editor->backupCode(), editor->currentText());
    // Once the other operation has ended, the save goes through.
    save();
    EXPECT_FALSE(UIAlertView::visibleAlert());
    EXPECT_EQ(server().readFile("page.txt").value_or(""), utf16ToUtf8(editor->currentText()));
}
