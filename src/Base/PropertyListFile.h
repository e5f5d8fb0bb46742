#pragma once

#include "Base/Json.h"
#include "Base/PropertyValue.h"

namespace Base::PropertyListFile {

// The file of one user-defaults suite: UTF-8 JSON in which every value carries its type.
//
//   {"format": "parlino-defaults", "values": {"<key>": <value>, ...}, "version": 1}
//
// where each <value> is an object with exactly one member naming its type:
//   {"string": "text"}     {"integer": 42}         {"bool": true}
//   {"utf16": [97, 55357]} a string with an unpaired surrogate, which UTF-8 cannot carry, as
//                          its UTF-16 code units
//   {"real": 0.5}          (or "nan", "inf", "-inf", which JSON numbers cannot hold)
//   {"date": 7.5e8}        seconds since 2001-01-01 00:00:00 UTC
//   {"data": "AAEC"}       standard Base64 with padding
//   {"array": [<value>, ...]}
//   {"dictionary": {"<key>": <value>, ...}}
// Keys are written in sorted order; an unpaired surrogate in a key is written as U+FFFD. Reading is
// strict: anything else makes the file unreadable.

QByteArray encode(const PropertyValue::Dictionary& values);
Json::Read<PropertyValue::Dictionary> decode(const QByteArray& bytes);

} // namespace Base::PropertyListFile
