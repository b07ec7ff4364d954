// The ZELK contest's categories: by operator, mode (the plug-in's own logs write "A-CW",
// "B-SSB", "C-DIGITAL", "D-MIX") and, for single operators, power. A log that does not give its
// power is taken as high power, one that does not give its operator as single operator; all
// categories are all-band.
#include "crosscheck/contest_categories.h"

std::string_view DefaultCategoryTableJson() {
    return R"json({
  "dimensions": [
    {"key": "operator", "cabrillo": "CATEGORY-OPERATOR", "names": {"en": "operator", "uk": "оператор"}, "default": "SINGLE-OP", "values": [
      {"code": "SINGLE-OP", "spellings": ["SO", "SINGLE", "SINGLE-OPERATOR", "SOAB"], "names": {"en": "Single operator", "uk": "Один оператор"}},
      {"code": "MULTI-OP", "spellings": ["MO", "MULTI", "MULTI-OPERATOR", "MULTI-ONE", "MULTI-TWO", "MULTI-MULTI", "MULTI-LIMITED", "MULTI-UNLIMITED", "MULTI-SINGLE", "MS", "M2", "MM"], "names": {"en": "Multi operator", "uk": "Кілька операторів"}},
      {"code": "CHECKLOG", "spellings": ["CHECK", "CHECK-LOG"], "names": {"en": "Check log", "uk": "Контрольний звіт"}}
    ]},
    {"key": "mode", "cabrillo": "CATEGORY-MODE", "names": {"en": "mode", "uk": "вид роботи"}, "values": [
      {"code": "CW", "spellings": ["A-CW"], "names": {"en": "CW", "uk": "CW"}},
      {"code": "SSB", "spellings": ["B-SSB", "PH", "PHONE"], "names": {"en": "SSB", "uk": "SSB"}},
      {"code": "DIGI", "spellings": ["C-DIGITAL", "DIGITAL", "DIG", "DG", "RTTY"], "names": {"en": "digital modes", "uk": "цифрові види"}},
      {"code": "MIXED", "spellings": ["D-MIX", "MIX", "MIXED-MODE"], "names": {"en": "mixed mode", "uk": "змішаний вид роботи"}}
    ]},
    {"key": "power", "cabrillo": "CATEGORY-POWER", "names": {"en": "power", "uk": "потужність"}, "default": "HIGH", "values": [
      {"code": "HIGH", "spellings": ["HP", "HI"], "names": {"en": "high power", "uk": "висока потужність"}},
      {"code": "LOW", "spellings": ["LP", "LO"], "names": {"en": "low power", "uk": "мала потужність"}},
      {"code": "QRP", "names": {"en": "QRP", "uk": "QRP"}}
    ]},
    {"key": "band", "cabrillo": "CATEGORY-BAND", "names": {"en": "band", "uk": "діапазон"}, "default": "ALL", "values": [
      {"code": "ALL", "spellings": ["ALL-BAND", "AB"]}
    ]}
  ],
  "categories": [
    {"id": "SO-CW-HIGH", "operator": "SINGLE-OP", "mode": "CW", "power": "HIGH"},
    {"id": "SO-CW-LOW", "operator": "SINGLE-OP", "mode": "CW", "power": "LOW"},
    {"id": "SO-CW-QRP", "operator": "SINGLE-OP", "mode": "CW", "power": "QRP"},
    {"id": "SO-SSB-HIGH", "operator": "SINGLE-OP", "mode": "SSB", "power": "HIGH"},
    {"id": "SO-SSB-LOW", "operator": "SINGLE-OP", "mode": "SSB", "power": "LOW"},
    {"id": "SO-SSB-QRP", "operator": "SINGLE-OP", "mode": "SSB", "power": "QRP"},
    {"id": "SO-DIGI-HIGH", "operator": "SINGLE-OP", "mode": "DIGI", "power": "HIGH"},
    {"id": "SO-DIGI-LOW", "operator": "SINGLE-OP", "mode": "DIGI", "power": "LOW"},
    {"id": "SO-DIGI-QRP", "operator": "SINGLE-OP", "mode": "DIGI", "power": "QRP"},
    {"id": "SO-MIXED-HIGH", "operator": "SINGLE-OP", "mode": "MIXED", "power": "HIGH"},
    {"id": "SO-MIXED-LOW", "operator": "SINGLE-OP", "mode": "MIXED", "power": "LOW"},
    {"id": "SO-MIXED-QRP", "operator": "SINGLE-OP", "mode": "MIXED", "power": "QRP"},
    {"id": "MO-CW", "operator": "MULTI-OP", "mode": "CW"},
    {"id": "MO-SSB", "operator": "MULTI-OP", "mode": "SSB"},
    {"id": "MO-DIGI", "operator": "MULTI-OP", "mode": "DIGI"},
    {"id": "MO-MIXED", "operator": "MULTI-OP", "mode": "MIXED"},
    {"id": "CHECKLOG", "operator": "CHECKLOG"}
  ]
}
)json";
}
