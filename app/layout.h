#pragma once

// The designed places of the main window's controls, in twips of the client area (designed
// 10185 wide and 7575 high), and the rules that move them when the window is resized.

#include <QRect>

namespace app {

inline constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(double twips) {
    return int(twips >= 0 ? twips / TwipsPerPixel + 0.5 : twips / TwipsPerPixel - 0.5);
}
inline double pixelsToTwips(int pixels) {
    return double(pixels) * TwipsPerPixel;
}

struct TwipsRect {
    int left, top, width, height;
    QRect toPixels() const {
        return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                twipsToPixels(height)};
    }
};

namespace designed {
inline constexpr int ClientWidth = 10185;
inline constexpr int ClientHeight = 7575;

// Call area
inline constexpr TwipsRect Status{120, 0, 6495, 375};
inline constexpr TwipsRect Phone{120, 600, 495, 495};
inline constexpr TwipsRect RufnrLabel{720, 480, 2895, 255};
inline constexpr TwipsRect RUFNR{720, 720, 4215, 420};
inline constexpr TwipsRect BUSuch{5040, 720, 855, 285};
inline constexpr TwipsRect cmd_LogIn{240, 1320, 855, 375};
inline constexpr TwipsRect BUWaehl{1320, 1320, 975, 375};
inline constexpr TwipsRect BUAufl{2640, 1320, 975, 375};
inline constexpr TwipsRect BUR{3960, 1320, 495, 375};
inline constexpr TwipsRect TxtHold{5040, 1320, 1095, 375};

// Customer panel (top 1920 to about 6465). The two buttons stand in the left margin; the
// caller's data fill the column right of them, the customer-only block closes the panel.
inline constexpr TwipsRect BUOP{120, 2520, 735, 375};
inline constexpr TwipsRect BUend{120, 3000, 1095, 375};
inline constexpr TwipsRect Nr{1320, 1920, 1335, 315};
inline constexpr TwipsRect Anrede{2760, 1920, 3855, 315};
inline constexpr TwipsRect NAMEN{1320, 2280, 5295, 315};
inline constexpr TwipsRect Branche{1320, 2640, 5295, 315};
inline constexpr TwipsRect Strasse{1320, 3000, 5295, 315};
inline constexpr TwipsRect Plz{1320, 3360, 1335, 315};
inline constexpr TwipsRect Ort{2760, 3360, 3855, 315};
inline constexpr TwipsRect Telnr{1320, 3720, 2595, 315};
inline constexpr TwipsRect Faxnr{4020, 3720, 2595, 315};
inline constexpr TwipsRect email{1320, 4080, 5295, 255};
inline constexpr TwipsRect Label5{1320, 4560, 1095, 255}; // "Mahnstufe:"
inline constexpr TwipsRect Mahnstufe{2520, 4500, 495, 315};
inline constexpr TwipsRect Label6{3120, 4560, 375, 255}; // "per"
inline constexpr TwipsRect MahnstDatum{3600, 4500, 1335, 315};
inline constexpr TwipsRect Label7{1320, 4920, 2175, 255}; // "letzter Auftrag am"
inline constexpr TwipsRect LeAuDatum{3600, 4860, 1335, 315};
inline constexpr TwipsRect Label8{1320, 5280, 2175, 255}; // "akt. Saldo:"
inline constexpr TwipsRect AktSaldo{3600, 5220, 1335, 315};
inline constexpr TwipsRect Label9{1320, 5640, 5295, 255}; // "Umsatz lauf. Jahr   vor.   Jahr"
inline constexpr TwipsRect UmsatzLJ{1320, 5940, 2595, 315};
inline constexpr TwipsRect UmsatzVJ{4020, 5940, 2595, 315};

// Bottom line and list bar
inline constexpr TwipsRect Info{120, 6840, 6495, 375};
inline constexpr TwipsRect Copr{0, 7200, 4335, 255};
inline constexpr TwipsRect BUInfo{4200, 7200, 735, 255};
inline constexpr TwipsRect chk_Popup{5040, 7200, 1695, 255};
inline constexpr TwipsRect Zielwahl{6840, 0, 3255, 6615};
} // namespace designed

// What a size change of the window (outer width W, height H, twips) does to the list bar and the
// bottom line. The list bar keeps its size in a dimension whose test fails.
struct ResizedPlaces {
    bool listBarHeightChanges = false;
    int listBarHeight = 0;
    bool listBarWidthChanges = false;
    int listBarWidth = 0;
    int coprTop = 0;
    int buInfoTop = 0;
    int infoTop = 0;
    int chkPopupTop = 0;
};

inline ResizedPlaces ResizeRules(int outerWidth, int outerHeight) {
    ResizedPlaces p;
    if (outerHeight > 1000) {
        p.listBarHeightChanges = true;
        p.listBarHeight = outerHeight - 800;
    }
    if (outerWidth > 8000) {
        p.listBarWidthChanges = true;
        p.listBarWidth = outerWidth - 7000;
    }
    p.coprTop = outerHeight - 950;
    p.buInfoTop = outerHeight - 1000;
    p.infoTop = outerHeight - 1500;
    p.chkPopupTop = p.buInfoTop;
    return p;
}

} // namespace app
