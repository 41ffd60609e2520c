// The design's product codes, by edition (Lite 0, Professional 1) and, for the database, mode (full 0, update 1).
#pragma once

namespace tsy::test {
inline const char* const kProgramCode[] = {"{F21ECEDC-A01B-4D4E-AC34-6BD01367491B}", "{9F8C9A12-6868-44D8-B9CE-12E403B3BD63}"};
inline const char* const kDatabaseCode[][2] = {{"{8D89597B-2429-4F22-828F-02E7AFFAA018}", "{641B5205-6FCC-45AB-A6D8-683206A61500}"},
                                               {"{D20CF633-A2EE-42F9-84DB-D1FA05CF8C42}", "{91204651-EA8A-40F3-B15C-93B864B7FF1B}"}};
}  // namespace tsy::test
