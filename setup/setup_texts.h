// The installer's texts. This program is compiled with -fexec-charset=CP1252, so each literal
// holds Windows-1252 bytes, which the A functions expect.
#pragma once

constexpr char SETUP_CAPTION[] = "Setup";
constexpr char ERROR_CAPTION[] = "Installationsfehler";

constexpr char QUESTION_TEXT[] =
    "Zifferbox ist eine Anwendung für Windows CE Geräte.\n"
    "Sie verwaltet die verschiedenen Zifferbox von Software, Geräten und anderen Dingen.\n\n"
    "Wollen Sie 'Zifferbox' installieren?";

constexpr char STATUS_LINE_1[] = "Informiere Windows CE Anwendungsmanager";
constexpr char STATUS_LINE_2[] = "über die neue Anwendung...";
constexpr int STATUS_LINE_1_LENGTH = 39;
constexpr int STATUS_LINE_2_LENGTH = 26;
// Fails to compile if the sources were read or the literals stored in another code page.
static_assert(sizeof STATUS_LINE_1 - 1 == STATUS_LINE_1_LENGTH, "status line 1 must be 39 bytes");
static_assert(sizeof STATUS_LINE_2 - 1 == STATUS_LINE_2_LENGTH, "status line 2 must be 26 CP1252 bytes");

constexpr char SERVICES_ERROR_TEXT[] =
    "Die Anwendung kann nicht installiert werden.\n"
    "Bitte prüfen Sie, ob die Windows CE Dienste ordnungsgemäß installiert sind.";
constexpr char MISSING_FILES_ERROR_TEXT[] =
    "Die Anwendung kann nicht installiert werden.\n"
    "Bitte installieren Sie die Original-Dateien der Anwendung neu.";
