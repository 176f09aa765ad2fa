#include "sim/DemoUnit.h"

#include <string>

#include "keystore/KeyMemoryImage.h"
#include "texts/Cp1250.h"

namespace qel::sim {
namespace {

constexpr int kDemoRecordSize = 40;  // comments of up to 25 characters
constexpr std::uint32_t kDemoSeed = 1306;

struct Resident {
  const char* comment;  // UTF-8
  std::vector<int> floors;
  bool twelveCharCode;
  bool deleted = false;  // the tenant moved out: the code is gone, floors and comment stay
};

// Floor 1 is the ground floor with the letter boxes; most keys open it too.
const std::vector<Resident> kResidents{
    {"Správce domu", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
    {"Údržba výtahu", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, true},
    {"Novák Jan, byt 2.1", {1, 2}, false},
    {"Nováková Eva, byt 2.1", {1, 2}, false},
    {"Dvořák Petr, byt 3.2", {1, 3}, true},
    {"Černá Zdeňka, byt 4.1", {1, 4}, false},
    {"Svoboda Karel, byt 4.2", {1, 4}, false, true},
    {"Procházka Jiří, byt 5.3", {1, 5}, false},
    {"Kučerová Lenka, byt 6.2", {1, 6}, true},
    {"Veselý Tomáš, byt 7.1", {1, 7}, false},
    {"Horák Miloš, byt 8.2", {1, 8}, false},
    {"Němcová Božena, byt 9.1", {1, 9}, true},
    {"Pokorný Luboš, byt 10.3", {1, 10}, false},
    {"Malý Vojtěch, byt 10.1", {1, 10}, true, true},
    {"Marková Šárka, byt 11.2", {1, 11}, false},
    {"Růžička Ondřej, byt 12.1", {1, 12}, true},
    {"Ordinace MUDr. Fialová", {1, 3}, false},
    {"Pošta - doručovatel", {1}, true},
    {"Úklid - firma Čisto", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, false},
    {"Hasiči - zásah", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, false},
    {"Střecha - technik", {12, 13, 14}, true},
    {"Sklep a kola", {1, 13}, false},
};

}  // namespace

DemoUnit MakeDemoUnit(const CivilTime& now) {
  DemoUnit demo;
  demo.config.recordSize = kDemoRecordSize;
  demo.config.accessTime = 8;
  demo.config.relaySetup = 0x00;
  demo.config.name = Utf8ToCp1250("Bytový dům Na Výsluní 12").bytes;
  demo.config.clock = now;

  KeyMemoryImage image;
  image.SetRecordSize(kDemoRecordSize);
  ImageBytes erased;
  erased.fill(0xFF);
  image.WriteBytes(0, erased);
  std::mt19937 random(kDemoSeed);
  for (std::size_t i = 0; i < kResidents.size(); ++i) {
    const Resident& r = kResidents[i];
    const int id = static_cast<int>(i);
    const KeyCode code = r.twelveCharCode ? RandomTwelveCharCode(random) : RandomEightByteCode(random);
    Floors floors{};
    for (int floor : r.floors) SetFloor(floors, floor, true);
    image.StoreRecord(id, code, floors, Utf8ToCp1250(r.comment).bytes);
    if (r.deleted) {
      image.ZeroKeyCode(id);
    } else if (i % 4 == 2) {
      demo.visitors.push_back(code);
    }
  }
  demo.memory = image.Bytes();
  return demo;
}

}  // namespace qel::sim
