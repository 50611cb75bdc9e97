#include "help_document.h"
#include "reading_font.h"
#include "common/program_folder.h"
#include "platform/help_viewer.h"
#include "support/test_env.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(HelpDocument, SectionsRunFromTheirAnchorToTheNext)
{
    const std::wstring html =
        L"<html><head><title>Hilfe &amp; mehr</title><style>p { color: red }</style></head><body>"
        L"<h1 id=\"top\">Start</h1><p>Erster   Absatz\n über <b>zwei</b> Zeilen.</p><!-- <h2 id=\"x\"> -->"
        L"<h2 ID='second'>Zweiter Teil</h2><ul><li>Eins</li><li>Zwei &lt;3&gt;</li></ul><p>A<br>B &#252;&#xFC;&nbsp;!</p>"
        L"<p><a name=\"third\"></a>Dritter</p><script>var x = '<h2 id=\"y\">';</script><p>Ende &unknown; &</p>"
        L"</body></html>";
    const struct {
        const wchar_t *anchor;
        bool found;
        const wchar_t *heading;
        const wchar_t *text;
    } cases[] = {
        {L"top", true, L"Start", L"Erster Absatz über zwei Zeilen."},
        {L"second", true, L"Zweiter Teil", L"\u2022 Eins\r\n\u2022 Zwei <3>\r\n\r\nA\r\nB üü !"},
        {L"third", true, L"", L"Dritter\r\n\r\nEnde &unknown; &"},
        {L"x", false, L"Hilfe & mehr", nullptr},
        {L"", false, L"Hilfe & mehr", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.anchor);
        const HelpSection section = ExtractHelpSection(html, c.anchor);
        EXPECT_EQ(section.anchorFound, c.found);
        EXPECT_EQ(section.heading, c.heading);
        if (c.text) {
            EXPECT_EQ(section.text, c.text);
        } else {
            // Unknown anchors show everything from the top.
            EXPECT_EQ(section.text.rfind(L"Start\r\n\r\nErster Absatz", 0), 0u) << std::string(section.text.begin(), section.text.end());
            EXPECT_NE(section.text.find(L"Ende"), std::wstring::npos);
        }
    }
    EXPECT_EQ(DecodeUtf8("\xEF\xBB\xBFL\xC3\xB6schen"), L"Löschen");
    EXPECT_EQ(DecodeUtf8(""), L"");
    EXPECT_EQ(ExtractHelpSection(L"<p>unclosed <b", L"x").text, L"unclosed");
}

// ---- PegHelp.exe as a separate process ------------------------------------------------------

struct HelpWindow {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
};

std::wstring TextOf(HWND window)
{
    WCHAR buffer[8192] = L"";
    // Across processes GetWindowText only reads titles; WM_GETTEXT reaches the control itself.
    SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(buffer), (LPARAM)buffer, SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

HelpWindow WaitForHelpWindow(const std::wstring &titlePart, DWORD milliseconds = 20000)
{
    HelpWindow found;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        found.window = FindWindowW(L"PegHelpWindow", nullptr);
        if (found.window) {
            found.title = TextOf(found.window);
            if (found.title.find(titlePart) != std::wstring::npos) {
                found.text = TextOf(FindWindowExW(found.window, nullptr, L"EDIT", nullptr));
                return found;
            }
        }
        Sleep(50);
    }
    return found;
}

void CloseHelpWindows()
{
    for (int i = 0; i < 20; ++i) {
        HWND window = FindWindowW(L"PegHelpWindow", nullptr);
        if (!window) return;
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process);
        if (handle) {
            TerminateProcess(handle, 0);
            WaitForSingleObject(handle, 5000);
            CloseHandle(handle);
        }
    }
}

// The viewer's fonts draw every character of the help file with glyphs of their own: German
// quotes and umlauts never fall back to another face's glyph or a box.
TEST(HelpDocument, ReadingFontsHaveAGlyphForEveryCharacterOfTheHelpFile)
{
    const HelpSection whole = ExtractHelpSection(DecodeUtf8(ReadWholeFile(ProgramFolder() + L"zifferbox.htp")), L"");
    ASSERT_NE(whole.text.find(L'\u201C'), std::wstring::npos);
    for (int weight : {FW_NORMAL, FW_BOLD}) {
        HFONT font = CreateReadingFont(-13, weight, kGermanSample);
        EXPECT_TRUE(FontHasGlyphs(font, whole.heading + whole.text)) << "weight " << weight;
        DeleteObject(font);
    }
}

struct Process {
    PROCESS_INFORMATION info{};
    bool started = false;
    ~Process()
    {
        if (!started) return;
        TerminateProcess(info.hProcess, 0);
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
};

bool StartViewer(Process &process, const std::wstring &argument)
{
    const std::wstring exe = ProgramFolder() + L"PegHelp.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    process.started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &process.info) != FALSE;
    return process.started;
}

class PegHelpTest : public ::testing::Test {
protected:
    void SetUp() override { CloseHelpWindows(); }
    void TearDown() override { CloseHelpWindows(); }
};

TEST_F(PegHelpTest, ShowsTheSectionOfEachAnchorAndReusesItsWindow)
{
    Process first;
    ASSERT_TRUE(StartViewer(first, L"zifferbox.htp#categories"));
    HelpWindow shown = WaitForHelpWindow(L"Kategorienliste");
    ASSERT_NE(shown.window, nullptr) << "no help window appeared";
    EXPECT_EQ(shown.title, L"Zifferbox-Hilfe - Kategorienliste");
    EXPECT_NE(shown.text.find(L"Hinzufügen"), std::wstring::npos);
    EXPECT_EQ(shown.text.find(L"Seriennummer des neuen"), std::wstring::npos);

    // A second start shows its topic in the same window and ends.
    const struct {
        const wchar_t *argument;
        const wchar_t *heading;
        const wchar_t *phrase;
    } topics[] = {
        {L"zifferbox.htp#new", L"Neues Objekt", L"Seriennummer des neuen"},
        {L"zifferbox.htp#modify", L"Objekt bearbeiten", L"bisherigen Angaben"},
        {L"zifferbox.htp#zifferbox_help", L"Zifferbox", L"Strg+N"},
    };
    for (const auto &topic : topics) {
        SCOPED_TRACE(topic.argument);
        Process second;
        ASSERT_TRUE(StartViewer(second, topic.argument));
        EXPECT_EQ(WaitForSingleObject(second.info.hProcess, 20000), WAIT_OBJECT_0);
        const HelpWindow again = WaitForHelpWindow(std::wstring(L"Hilfe - ") + topic.heading);
        EXPECT_EQ(again.window, shown.window);
        EXPECT_NE(again.text.find(topic.phrase), std::wstring::npos);
    }
}

TEST_F(PegHelpTest, UnknownAnchorShowsTheTopAndAMissingFileSaysSo)
{
    {
        Process viewer;
        ASSERT_TRUE(StartViewer(viewer, L"zifferbox.htp#gibtsnicht"));
        const HelpWindow shown = WaitForHelpWindow(L"Zifferbox-Hilfe");
        ASSERT_NE(shown.window, nullptr);
        EXPECT_EQ(shown.title, L"Zifferbox-Hilfe - Zifferbox-Hilfe");
        EXPECT_EQ(shown.text.rfind(L"Zifferbox\r\n\r\nZifferbox verwahrt", 0), 0u);
    }
    CloseHelpWindows();
    {
        Process viewer;
        const std::wstring missing = TestFolder() + L"\\fehlt.htp#new";
        ASSERT_TRUE(StartViewer(viewer, L"\"" + missing + L"\""));
        const HelpWindow shown = WaitForHelpWindow(L"Zifferbox-Hilfe");
        ASSERT_NE(shown.window, nullptr);
        EXPECT_EQ(shown.title, L"Zifferbox-Hilfe");
        EXPECT_NE(shown.text.find(L"konnte nicht geöffnet werden"), std::wstring::npos);
        EXPECT_NE(shown.text.find(L"fehlt.htp"), std::wstring::npos);
    }
}

TEST_F(PegHelpTest, StartHelpViewerFindsTheViewerBesideTheProgram)
{
    StartHelpViewer(L"zifferbox.htp#modify");
    const HelpWindow shown = WaitForHelpWindow(L"Objekt bearbeiten");
    ASSERT_NE(shown.window, nullptr);
    EXPECT_NE(shown.text.find(L"bisherigen Angaben"), std::wstring::npos);
    StartHelpViewer(nullptr);  // ignored
}

}  // namespace
