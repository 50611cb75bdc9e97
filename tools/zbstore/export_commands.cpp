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

// Lower case as the user's locale has it, umlauts included: what the program's sorting ignores.
std::wstring Folded(const std::u16string &text)
{
    const std::wstring wide(text.begin(), text.end());
    if (wide.empty())
        return wide;
    std::wstring folded(wide.size() * 2 + 8, L'\0');
    const int length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, wide.data(),
                                    static_cast<int>(wide.size()), &folded[0], static_cast<int>(folded.size()));
    folded.resize(length > 0 ? length : 0);
    return length > 0 ? folded : wide;
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
    const std::wstring wanted = Folded(std::u16string(options.target.begin(), options.target.end()));
    size_t found = 0;
    std::string lines;
    for (const ObjectRow &row : ContentsOf(reading.model).objects) {
        bool match = false;
        for (const std::u16string *field : {&row.name, &row.serialNumber, &row.remark, &row.category})
            match = match || Folded(*field).find(wanted) != std::wstring::npos;
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
