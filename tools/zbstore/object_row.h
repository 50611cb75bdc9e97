// One object as the desktop tool moves it between the store and files: the four texts of the
// object database, and where a row came from in an imported file.
#pragma once
#include <string>

struct ObjectRow {
    std::u16string name;
    std::u16string serialNumber;
    std::u16string remark;
    std::u16string category;
    size_t line = 0;  // imported rows: the file line the row begins on
};

// The longest text a field of an object may hold: what every control of the program reads back.
constexpr size_t kMaxFieldLength = 254;
