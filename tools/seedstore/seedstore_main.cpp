// Fills the object store named by ZIFFERBOX_OBJECT_STORE with sample objects and categories,
// for screenshots and for measuring the program with a full store.
//   seedstore            a handful of everyday objects in three categories
//   seedstore <count>    <count> generated objects (at most 65,535) in eight categories
#include "store/category_database.h"
#include "store/object_database.h"
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Sample {
    const wchar_t *name, *serialNumber, *remark, *category;
};

const Sample everyday[] = {
    {L"Bildbearbeitung Studio", L"BBS-4471-2290-XK", L"Lizenz für zwei Rechner", L"Software"},
    {L"Büro-Paket 2024", L"BP24-99812-ÄÖÜ", L"Gekauft im März", L"Software"},
    {L"Fahrrad", L"WTU 1234567", L"Rahmennummer unter dem Tretlager", L"Fahrzeuge"},
    {L"Kaffeevollautomat", L"KVA-00-817263", L"Garantie bis Mai", L"Geräte"},
    {L"Notebook", L"5CG1234XYZ", L"Seriennummer auf der Unterseite", L"Geräte"},
    {L"Routerfirmware", L"RT-77-ABCD", L"", L"Software"},
    {L"Smartphone", L"IMEI 356789012345678", L"Schwarz, 128 GB", L"Geräte"},
    {L"Zweitschlüssel", L"S-0042", L"Beim Hausmeister hinterlegt", L""},
};
const wchar_t *const categories[] = {L"Software", L"Geräte", L"Fahrzeuge"};
const wchar_t *const generatedCategories[] = {L"Software", L"Geräte", L"Fahrzeuge", L"Büro",
                                               L"Garten", L"Küche", L"Musik", L"Werkzeug"};

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (objectDatabase.openOrCreate(L"Zifferbox") || categoryDatabase.openOrCreate(L"Zifferbox-Kategorien")) {
        fwprintf(stderr, L"seedstore: the object store cannot be opened\n");
        return 1;
    }
    if (argc < 2) {
        for (const wchar_t *category : categories)
            if (!categoryDatabase.findCategory(category))
                categoryDatabase.addCategory(category);
        for (const Sample &s : everyday)
            objectDatabase.writeNewObject(s.name, s.serialNumber, s.remark, s.category);
        return 0;
    }
    const long count = wcstol(argv[1], nullptr, 10);
    if (count <= 0 || count > 65535) {
        fwprintf(stderr, L"seedstore: count must be 1 to 65535\n");
        return 2;
    }
    for (const wchar_t *category : generatedCategories)
        if (!categoryDatabase.findCategory(category))
            categoryDatabase.addCategory(category);
    for (long i = 0; i < count; ++i) {
        wchar_t name[64], serial[64], remark[96];
        swprintf(name, 64, L"Objekt %05ld Lizenz %c%c", (i * 7919) % 65536, L'A' + i % 26, L'a' + (i / 26) % 26);
        swprintf(serial, 64, L"SN-%08lX-%04ld-XYZ", i * 2654435761UL, i % 10000);
        swprintf(remark, 96, L"Gekauft am %02ld.%02ld.20%02ld, Beleg im Ordner %ld", 1 + i % 28, 1 + i % 12, i % 25, i % 40);
        if (!objectDatabase.writeNewObject(name, serial, remark, generatedCategories[i % 8])) {
            fwprintf(stderr, L"seedstore: write %ld failed\n", i);
            return 1;
        }
    }
    return 0;
}
