// export and find: the objects as the program shows them, read without taking the store over.
#include <windows.h>
#include "commands.h"
#include "console.h"
#include "file_access.h"
#include "object_csv.h"
#include "object_html.h"
#include "object_xml.h"
#include "store_contents.h"
#include "store_reading.h"
#include "text_encoding.h"

namespace {

// Whether wanted occurs in text as the program's list compares them: in the user's locale with
// case ignored, as its sort keys are made, so umlauts match in either case and ß matches ss and SS.
bool Occurs(const std::u16string &text, const std::wstring &wanted)
{
    const std::wstring wide(text.begin(), text.end());
    return !wide.empty() && FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_FROMSTART | NORM_IGNORECASE, wide.data(),
                                            static_cast<int>(wide.size()), wanted.data(), static_cast<int>(wanted.size()),
                                            nullptr, nullptr, nullptr, 0) >= 0;
}

}  // namespace

int RunExport(const Options &options)
{
    const bool toStandardOutput = options.target == L"-";
    if (options.format != "csv" && options.format != "html" && options.format != "xml") {
        PrintError("Fehler: --format kennt nur csv, html und xml.\n");
        return kExitUsage;
    }
    if (!toStandardOutput)
        if (const int refused = CheckOutput(options))
            return refused;
    StoreReading reading;
    if (const int failed = LoadSoundStore(options, reading, "exportieren Sie aus dem geretteten Speicher"))
        return failed;
    const StoreContents contents = ContentsOf(reading.model);
    if (options.format == "xml")
        if (const ObjectRow *row = FirstRowXmlCannotHold(contents.objects)) {
            PrintError("Fehler: das Objekt \"" + ToUtf8(row->name) +
                       "\" enthält ein Steuerzeichen, das keine XML-Datei fassen kann; exportieren Sie als CSV.\n");
            return kExitInvalid;
        }
    const std::string bytes = options.format == "csv"   ? WriteObjectsCsv(contents.objects)
                              : options.format == "xml" ? WriteObjectsXml(contents.objects)
                                                        : WriteObjectsHtml(contents.objects, contents.categories);
    const std::string count = std::to_string(contents.objects.size()) +
                              (contents.objects.size() == 1 ? " Objekt" : " Objekte");
    if (toStandardOutput) {
        if (!WriteStandardOutput(bytes)) {
            PrintError("Fehler: die Standardausgabe nimmt nichts mehr an.\n");
            return kExitInvalid;
        }
        PrintError(count + " exportiert.\n");
        return kExitDone;
    }
    if (!WriteFileAtomically(options.target, bytes, options.force)) {
        PrintError("Fehler: " + ShownPath(options.target) + " konnte nicht geschrieben werden: " +
                   SystemMessage(GetLastError()) + "\n");
        return kExitInvalid;
    }
    Print(count + " exportiert nach " + ShownPath(options.target) + "\n");
    return kExitDone;
}

int RunFind(const Options &options)
{
    if (options.target.empty()) {
        PrintError("Fehler: find braucht einen Suchtext.\n");
        return kExitUsage;
    }
    StoreReading reading;
    if (const int failed = LoadStoreForReading(options, false, reading))
        return failed;
    if (reading.Damaged())
        PrintError("Warnung: der Speicher ist ab Byte " + std::to_string(reading.damage.front().begin) +
                   " beschädigt; gesucht wird im lesbaren Teil davor.\n");
    size_t found = 0;
    std::string lines;
    for (const ObjectRow &row : ContentsOf(reading.model).objects) {
        bool match = false;
        for (const std::u16string *field : {&row.name, &row.serialNumber, &row.remark, &row.category})
            match = match || Occurs(*field, options.target);
        if (!match)
            continue;
        ++found;
        lines += ToUtf8(row.name) + "\t" + ToUtf8(row.serialNumber) + "\t" + ToUtf8(row.remark) + "\t" +
                 ToUtf8(row.category) + "\n";
    }
    Print(lines);
    PrintError(found == 0 ? std::string("Nichts gefunden.\n")
                          : std::to_string(found) + (found == 1 ? " Objekt gefunden.\n" : " Objekte gefunden.\n"));
    return found > 0 ? kExitDone : kExitInvalid;
}
