#pragma once

// One play-list entry as the player hands it out: five texts (S3 is the
// file path) and nine numbers; N5 and N6 travel packed in one long and N9
// stays here.

#include <cstdint>
#include <string>

struct TTrackInfo {
    std::string S1, S2, S3, S4, S5;
    int32_t N1 = 0, N2 = 0, N3 = 0, N4 = 0, N5 = 0, N6 = 0, N7 = 0, N8 = 0, N9 = 0;
    bool operator==(const TTrackInfo&) const = default;
};

// The player's seven longs to a record and back. For CD audio (N4 16 or
// 17) with N5 or N6 missing, the drive and track come from S3 ("d:\track12.cda"
// gives N5 3 and N6 12).
void UnpackTrackNumbers(TTrackInfo& info, const int32_t longs[7]);
void PackTrackNumbers(const TTrackInfo& info, int32_t longs[7]);
