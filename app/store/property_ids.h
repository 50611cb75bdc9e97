// Record property identifiers of the objects and categories: the id in the high word, the
// text type (CEVT_LPWSTR, 0x1F) in the low word.
#pragma once
#include "objectstore/object_store.h"

constexpr CEPROPID PROP_NAME = 0x0001001F;
constexpr CEPROPID PROP_SERIAL_NUMBER = 0x0002001F;
constexpr CEPROPID PROP_REMARK = 0x0003001F;
constexpr CEPROPID PROP_CATEGORY = 0x0004001F;
