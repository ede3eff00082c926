#include "engine/host/TTrackInfo.h"

#include "platform/text/SjisString.h"

void UnpackTrackNumbers(TTrackInfo& info, const int32_t longs[7]) {
    info.N1 = longs[0];
    info.N2 = longs[1];
    info.N3 = longs[2];
    info.N4 = longs[3];
    info.N5 = static_cast<int32_t>(static_cast<uint32_t>(longs[4]) >> 16);
    info.N6 = longs[4] & 0xFFFF;
    info.N7 = longs[5];
    info.N8 = longs[6];
    info.N9 = 0;
    if ((info.N4 != 16 && info.N4 != 17) || (info.N5 != 0 && info.N6 != 0)) return;

    std::string path = platform::SjisLowerCase(info.S3);
    if (path.size() > 1 && path[1] == ':') {
        int drive = path[0] - 'a';
        info.N5 = drive >= 0 && drive <= 26 ? drive : 0;
    }
    size_t track = platform::SjisFind(path, "track");
    if (track == std::string::npos) return;
    size_t start = track + 5;
    size_t end = platform::SjisFind(path, ".cda", start);
    std::string_view digits = platform::TrimView(std::string_view(path).substr(start, end - start));
    int32_t number = 0;
    bool valid = !digits.empty() && digits.size() <= 9;
    for (char c : digits) {
        if (c < '0' || c > '9')
            valid = false;
        else
            number = number * 10 + (c - '0');
    }
    info.N6 = valid ? number : 0;
}

void PackTrackNumbers(const TTrackInfo& info, int32_t longs[7]) {
    longs[0] = info.N1;
    longs[1] = info.N2;
    longs[2] = info.N3;
    longs[3] = info.N4;
    longs[4] = static_cast<int32_t>((static_cast<uint32_t>(info.N5) << 16) |
                                    (static_cast<uint32_t>(info.N6) & 0xFFFF));
    longs[5] = info.N7;
    longs[6] = info.N8;
}
