// Writes starting inputs for the fuzz targets into <folder>/<target>/: whole store files, single
// payloads of every kind and clipboard texts, so fuzzing starts from inputs that get past the
// checks at the front. Built natively by scripts/fuzz.sh.
#include <cstdio>
#include <string>
#include <vector>
#include "objectstore/entry_codec.h"
#include "objectstore/log_format.h"

namespace {

void WriteSeed(const std::string &folder, const std::string &name, const std::string &bytes)
{
    const std::string path = folder + "/" + name;
    if (FILE *file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

std::string Text16(const std::u16string &text)
{
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::vector<std::string> Payloads()
{
    const uint32_t name = 0x0001001F, serial = 0x0002001F, number = 0x00050013, when = 0x00060040, blob = 0x00070041;
    return {
        EncodeCreateDatabasePayload(1, 0, u"Zifferbox", {{name, 2}}),
        EncodeCreateDatabasePayload(2, 7, u"Zifferbox-Kategorien", {{name, 2}, {number, 1}, {when, 4}}),
        EncodeWriteRecordPayload(1, 3, {{name, Text16(u"Anton")}, {serial, Text16(u"A-1")}}),
        EncodeWriteRecordPayload(1, 4, {{number, std::string("\x07\0\0\0", 4)}, {when, std::string(8, '\x11')},
                                        {blob, std::string("\0\1\2", 3)}, {0x00080002, std::string("\xFF\xFF", 2)}}),
        EncodeDeleteRecordPayload(1, 3),
        EncodeDeleteDatabasePayload(2),
        EncodeReserveIdsPayload(100),
    };
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::string root = argv[1];
    const std::vector<std::string> payloads = Payloads();
    for (size_t i = 0; i < payloads.size(); ++i)
        WriteSeed(root + "/store_payload", "seed-" + std::to_string(i), payloads[i]);

    std::string file = EncodeStoreHeader();
    WriteSeed(root + "/store_log", "seed-header", file);
    for (const std::string &payload : payloads)
        file += EncodeStoreEntry(payload);
    WriteSeed(root + "/store_log", "seed-all-kinds", file);
    WriteSeed(root + "/store_log", "seed-torn", file.substr(0, file.size() - 5));
    WriteSeed(root + "/store_log", "seed-zero-tail", file + std::string(40, '\0'));

    WriteSeed(root + "/clipboard_field", "seed-lines", Text16(u"Anton\r\nA-1\r\nim Keller\r\nWerkzeug\r\n"));
    WriteSeed(root + "/clipboard_field", "seed-tabs", Text16(u"Anton\tA-1\t\tWerkzeug"));
    WriteSeed(root + "/clipboard_field", "seed-long", Text16(std::u16string(300, u'x') + u"\n\r\t" + u"y"));
    return 0;
}
