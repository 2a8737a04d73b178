// The built-in catalogue: save rows, sub-format lists and info pairs.
#include "toolkit/formats/catalogue/catalogue.h"

namespace mwff {
namespace {

const FFSaveSubFormat kList1[] = {
    {0, 20, 0, 10},  // Non-progressive
    {1, 20, 0, 11},  // Progressive
};
const FFSaveSubFormat kList2[] = {
    {2, 10, 1, 10},  // YUV 4:4:4
    {3, 23, 1, 10},  // YUV 4:2:2
    {4, 21, 1, 10},  // YUV 4:1:1
    {5, 10, 1, 11},  // Progressive YUV 4:4:4
    {6, 23, 1, 11},  // Progressive YUV 4:2:2
    {7, 21, 1, 11},  // Progressive YUV 4:1:1
    {8, 10, 1, 24},  // Lossless JPEG
    {138, 171, 1, 10},  // LAB 4:4:4
    {139, 173, 1, 10},  // LAB 4:2:2
    {140, 172, 1, 10},  // LAB 4:1:1
};
const FFSaveSubFormat kList3[] = {
    {9, 10, 1, 10},  // YUV 4:0:0
    {10, 10, 1, 24},  // Lossless JPEG
};
const FFSaveSubFormat kList4[] = {
    {11, 10, 1, 10},  // YUV 4:0:0
    {12, 10, 1, 11},  // Progressive YUV 4:0:0
    {13, 10, 1, 24},  // Lossless JPEG
};
const FFSaveSubFormat kList5[] = {
    {14, 50, 2, 0},  // CALS Type 1
    {15, 130, 2, 0},  // CALS Type 2
    {16, 131, 2, 0},  // CALS Type 3
    {17, 129, 2, 0},  // CALS Type 4
};
const FFSaveSubFormat kList6[] = {
    {18, 89, 4, 0},  // Uncompress Grayscale
    {19, 90, 4, 0},  // Uncompress Color
    {20, 125, 4, 0},  // RLE Grayscale
    {21, 126, 4, 0},  // RLE Color
    {22, 127, 4, 2},  // Lossy JPEG Grayscale
};
const FFSaveSubFormat kList7[] = {
    {18, 89, 4, 0},  // Uncompress Grayscale
    {20, 125, 4, 0},  // RLE Grayscale
    {23, 127, 4, 16},  // Lossless JPEG Grayscale
};
const FFSaveSubFormat kList8[] = {
    {19, 90, 4, 0},  // Uncompress Color
    {21, 126, 4, 0},  // RLE Color
    {25, 128, 4, 16},  // Lossless JPEG Color
    {24, 128, 4, 2},  // Lossy JPEG Color
};
const FFSaveSubFormat kList9[] = {
    {26, 66, 5, 0},  // CCITT G3 1D
    {27, 67, 5, 0},  // CCITT G3 2D
    {28, 68, 5, 0},  // CCITT G4
};
const FFSaveSubFormat kList10[] = {
    {26, 71, 11, 4},  // CCITT G3 1D
    {27, 72, 11, 4},  // CCITT G3 2D
    {28, 73, 11, 4},  // CCITT G4
    {136, 117, 11, 4},  // MO:DCA IOCA IBM MMR
    {134, 253, 11, 4},  // MO:DCA IOCA Uncompressed
};
const FFSaveSubFormat kList11[] = {
    {26, 77, 12, 0},  // CCITT G3 1D
    {27, 78, 12, 0},  // CCITT G3 2D
    {28, 79, 12, 0},  // CCITT G4
    {137, 118, 12, 0},  // IOCA IBM MMR
    {135, 254, 12, 0},  // Raw IOCA Uncompressed
};
const FFSaveSubFormat kList12[] = {
    {128, 257, 50, 0},  // CCITT Group3 1D
    {129, 258, 50, 0},  // CCITT Group3 2D
    {130, 259, 50, 0},  // CCITT Group4
    {131, 256, 50, 0},  // Xionics SMP Uncompressed
};
const FFSaveSubFormat kList13[] = {
    {29, 96, 7, 8},  // Uncompressed RGB
    {30, 97, 7, 8},  // Uncompressed YCbCr
    {31, 101, 7, 10},  // JPEG 4:1:1
    {32, 98, 7, 10},  // JPEG 4:2:2
};
const FFSaveSubFormat kList14[] = {
    {33, 80, 8, 0},  // Uncompressed
    {34, 81, 8, 0},  // Single Color compression
    {35, 82, 8, 0},  // JPEG default qFactor
    {36, 83, 8, 2},  // JPEG specify qFactor
};
const FFSaveSubFormat kList15[] = {
    {37, 2, 10, 4},  // Interlaced GIF 89a
    {38, 2, 10, 4},  // Non-Interlaced GIF 89a
};
const FFSaveSubFormat kList16[] = {
    {39, 14, 17, 0},  // Version 1.0
    {40, 74, 17, 0},  // Version 2.0
};
const FFSaveSubFormat kList17[] = {
    {41, 25, 22, 4},  // CCITT
    {42, 27, 22, 4},  // CCITT G3 1D
    {43, 28, 22, 4},  // CCITT G3 2D
    {44, 29, 22, 4},  // CCITT G4
    {45, 3, 22, 4},  // Uncompressed RGB
    {46, 87, 22, 4},  // Packbits (RLE) RGB
    {47, 17, 22, 4},  // LZW RGB
    {99, 139, 22, 4},  // JBIG
};
const FFSaveSubFormat kList18[] = {
    {48, 3, 22, 4},  // Uncompressed
    {49, 87, 22, 4},  // Packbits (RLE)
    {50, 17, 22, 4},  // LZW
    {100, 139, 22, 4},  // JBIG
};
const FFSaveSubFormat kList19[] = {
    {51, 3, 22, 4},  // Uncompressed RGB
    {52, 87, 22, 4},  // Packbits (RLE) RGB
    {53, 11, 22, 6},  // JPEG (Gray) YCbCr
    {54, 11, 22, 20},  // Lossless JPEG
    {55, 17, 22, 4},  // LZW RGB
    {101, 139, 22, 4},  // JBIG
    {102, 138, 22, 14},  // CMP
    {120, 166, 22, 102},  // JPEG 2000 stream
    {121, 167, 22, 38},  // Wavelet CMP
};
const FFSaveSubFormat kList20[] = {
    {56, 3, 22, 4},  // Uncompressed
    {107, 87, 22, 4},  // Packbits (RLE)
    {57, 11, 22, 20},  // Lossless JPEG
    {97, 11, 22, 6},  // JPEG (Gray) YCbCr
    {98, 17, 22, 4},  // LZW
    {124, 166, 22, 102},  // JPEG 2000 stream
    {125, 167, 22, 38},  // Wavelet CMP
};
const FFSaveSubFormat kList21[] = {
    {58, 3, 22, 4},  // Uncompressed
    {59, 87, 22, 4},  // Packbits (RLE)
    {60, 11, 22, 20},  // Lossless JPEG
    {61, 17, 22, 4},  // LZW
    {126, 166, 22, 102},  // JPEG 2000 stream
    {127, 167, 22, 38},  // Wavelet CMP
};
const FFSaveSubFormat kList22[] = {
    {62, 3, 22, 4},  // Uncompressed RGB
    {63, 85, 22, 4},  // Uncompressed CMYK
    {64, 93, 22, 4},  // Uncompressed YCbCr
    {65, 87, 22, 4},  // Packbits RGB
    {66, 88, 22, 4},  // Packbits CMYK
    {67, 95, 22, 4},  // Packbits YCbCr
    {68, 11, 22, 6},  // JPEG YCbCr 4:4:4
    {69, 24, 22, 6},  // JPEG YCbCr 4:2:2
    {70, 22, 22, 6},  // JPEG YCbCr 4:1:1
    {71, 11, 22, 20},  // Lossless JPEG
    {72, 17, 22, 4},  // LZW RGB
    {73, 86, 22, 4},  // LZW CMYK
    {74, 94, 22, 4},  // LZW YCbCr
    {103, 138, 22, 14},  // CMP
    {104, 138, 22, 15},  // Progressive CMP
    {122, 166, 22, 102},  // JPEG 2000 stream
    {123, 167, 22, 38},  // Wavelet CMP
};
const FFSaveSubFormat kList23[] = {
    {75, 3, 22, 4},  // Uncompressed RGB
    {76, 85, 22, 4},  // Uncompressed CMYK
    {77, 87, 22, 4},  // Packbits RGB
    {78, 88, 22, 4},  // Packbits CMYK
    {79, 17, 22, 4},  // LZW RGB
    {80, 86, 22, 4},  // LZW CMYK
};
const FFSaveSubFormat kList24[] = {
    {93, 3, 22, 4},  // Uncompressed RGB
    {94, 17, 22, 4},  // LZW RGB
};
const FFSaveSubFormat kList25[] = {
    {95, 3, 22, 4},  // Uncompressed RGB
    {96, 17, 22, 4},  // LZW RGB
};
const FFSaveSubFormat kList26[] = {
    {81, 6, 23, 0},  // Uncompressed
    {82, 84, 23, 0},  // RLE Compressed
};
const FFSaveSubFormat kList27[] = {
    {83, 69, 24, 0},  // CCITT G3 1D
    {84, 70, 24, 0},  // CCITT G4
};
const FFSaveSubFormat kList28[] = {
    {85, 106, 32, 0},  // ASCII
    {86, 107, 32, 0},  // Binary
};
const FFSaveSubFormat kList29[] = {
    {87, 104, 33, 0},  // ASCII
    {88, 105, 33, 0},  // Binary
};
const FFSaveSubFormat kList30[] = {
    {89, 102, 34, 0},  // ASCII
    {90, 103, 34, 0},  // Binary
};
const FFSaveSubFormat kList31[] = {
    {91, 111, 35, 0},  // ILBM RLE Compressed
    {92, 112, 35, 4},  // CAT RLE Compressed
};
const FFSaveSubFormat kList32[] = {
    {105, 142, 41, 0},  // Uncompressed
    {106, 143, 41, 0},  // RLE Compressed
};
const FFSaveSubFormat kList33[] = {
    {118, 164, 47, 98},  // JPEG 2000 stream
    {119, 163, 48, 98},  // JP2 file
};
const FFSaveSubFormat kList34[] = {
    {132, 262, 21, 0},  // TGA RLE
    {133, 4, 21, 0},  // TGA Uncompressed
};
const FFSaveSubFormat kList35[] = {
    {148, 288, 20, 0},  // RLE Compressed
    {147, 55, 20, 0},  // Uncompressed
};
const FFSaveSubFormat kList36[] = {
    {142, 268, 58, 0},  // RLE Compressed
    {141, 267, 58, 0},  // Uncompressed
};
const FFSaveSubFormat kList37[] = {
    {143, 273, 60, 0},  // CCITT G4
    {144, 274, 60, 0},  // CCITT G3 1D
    {145, 275, 60, 0},  // CCITT G3 2D
    {146, 269, 60, 0},  // JBIG
};

}  // namespace

// name index, format id, bits per pixel, extension, sub-format count, list, flags
const FFSaveRow kSaveRows[kSaveRowCount] = {
    {2, 26, 1, 0, 0, nullptr, 0},  // 0 Morwen 1-bit
    {1, 20, 8, -1, 2, kList1, 10},  // 1 Morwen 8-bit (Gray)
    {0, 20, 24, -1, 2, kList1, 10},  // 2 Morwen 24-bit
    {10, 10, 8, -1, 3, kList4, 10},  // 3 JPEG 8-bit (Gray)
    {9, 10, 12, -1, 2, kList3, 8},  // 4 JPEG 12-bit (Gray)
    {8, 10, 16, 1, 0, nullptr, 24},  // 5 JPEG 16-bit (Gray)
    {7, 10, 24, -1, 10, kList2, 10},  // 6 JPEG 24-bit
    {6, 165, 8, 49, 0, nullptr, 34},  // 7 Morwen Wavelet 8-bit (gray)
    {5, 165, 12, 49, 0, nullptr, 34},  // 8 Morwen Wavelet 12-bit (gray)
    {4, 165, 16, 49, 0, nullptr, 34},  // 9 Morwen Wavelet 16-bit (gray)
    {3, 165, 24, 49, 0, nullptr, 34},  // 10 Morwen Wavelet 24-bit
    {14, 164, 8, -1, 2, kList33, 98},  // 11 JPEG 2000 8-bit (gray)
    {13, 164, 12, -1, 2, kList33, 98},  // 12 JPEG 2000 12-bit (gray)
    {12, 164, 16, -1, 2, kList33, 98},  // 13 JPEG 2000 16-bit (gray)
    {11, 164, 24, -1, 2, kList33, 98},  // 14 JPEG 2000 24-bit
    {69, 3, 1, -1, 8, kList17, 4},  // 15 TIF 1-bit
    {70, 3, 2, -1, 4, kList18, 4},  // 16 TIF 2-bit
    {71, 3, 3, -1, 4, kList18, 4},  // 17 TIF 3-bit
    {72, 3, 4, -1, 4, kList18, 4},  // 18 TIF 4-bit
    {73, 3, 5, -1, 4, kList18, 4},  // 19 TIF 5-bit
    {74, 3, 6, -1, 4, kList18, 4},  // 20 TIF 6-bit
    {75, 3, 7, -1, 4, kList18, 4},  // 21 TIF 7-bit
    {76, 3, 8, -1, 9, kList19, 4},  // 22 TIF 8-bit
    {77, 3, 12, -1, 7, kList20, 4},  // 23 TIF 12-bit
    {78, 3, 16, -1, 6, kList21, 4},  // 24 TIF 16-bit
    {79, 3, 24, -1, 17, kList22, 4},  // 25 TIF 24-bit
    {80, 3, 32, -1, 6, kList23, 4},  // 26 TIF 32-bit
    {81, 3, 48, -1, 2, kList24, 4},  // 27 TIF 48-bit
    {82, 3, 64, -1, 2, kList25, 4},  // 28 TIF 64-bit
    {32, 2, 1, -1, 2, kList15, 4},  // 29 GIF 1-bit
    {33, 2, 2, -1, 2, kList15, 4},  // 30 GIF 2-bit
    {34, 2, 3, -1, 2, kList15, 4},  // 31 GIF 3-bit
    {35, 2, 4, -1, 2, kList15, 4},  // 32 GIF 4-bit
    {36, 2, 5, -1, 2, kList15, 4},  // 33 GIF 5-bit
    {37, 2, 6, -1, 2, kList15, 4},  // 34 GIF 6-bit
    {38, 2, 7, -1, 2, kList15, 4},  // 35 GIF 7-bit
    {39, 2, 8, -1, 2, kList15, 4},  // 36 GIF 8-bit
    {18, 75, 1, 3, 0, nullptr, 0},  // 37 CServe PNG 1-bit
    {19, 75, 4, 3, 0, nullptr, 0},  // 38 CServe PNG 4-bit
    {20, 75, 8, 3, 0, nullptr, 0},  // 39 CServe PNG 8-bit
    {21, 75, 24, 3, 0, nullptr, 0},  // 40 CServe PNG 24-bit
    {22, 75, 32, 3, 0, nullptr, 0},  // 41 CServe PNG 32-bit
    {133, 119, 1, 40, 0, nullptr, 4},  // 42 Animated Cursor 1-bit
    {134, 119, 4, 40, 0, nullptr, 4},  // 43 Animated Cursor 4-bit
    {135, 119, 8, 40, 0, nullptr, 4},  // 44 Animated Cursor 8-bit
    {136, 119, 24, 40, 0, nullptr, 4},  // 45 Animated Cursor 24-bit
    {17, 50, 1, -1, 4, kList5, 0},  // 46 CALS 1-bit
    {152, 114, 1, 43, 0, nullptr, 0},  // 47 CLP 1-bit
    {153, 114, 4, 43, 0, nullptr, 0},  // 48 CLP 4-bit
    {154, 114, 8, 43, 0, nullptr, 0},  // 49 CLP 8-bit
    {155, 114, 24, 43, 0, nullptr, 0},  // 50 CLP 24-bit
    {23, 89, 8, -1, 5, kList6, 0},  // 51 DICOM DIC 8-bit
    {24, 89, 16, -1, 3, kList7, 0},  // 52 DICOM DIC 16-bit
    {25, 90, 24, -1, 4, kList8, 0},  // 53 DICOM DIC 24-bit
    {113, 108, 8, 31, 0, nullptr, 0},  // 54 Dr Halo 8-bit
    {169, 277, 24, 59, 0, nullptr, 0},  // 55 ECW
    {92, 116, 8, 26, 0, nullptr, 0},  // 56 EMF 8-bit
    {93, 116, 24, 26, 0, nullptr, 0},  // 57 EMF 24-bit
    {27, 16, 8, 6, 0, nullptr, 0},  // 58 EPS
    {28, 96, 24, -1, 4, kList13, 8},  // 59 EXIF
    {26, 68, 1, -1, 3, kList9, 0},  // 60 FAX (Raw)
    {132, 134, 8, 39, 0, nullptr, 4},  // 61 FLC 8-bit
    {30, 80, 8, -1, 4, kList14, 0},  // 62 FPX 8-bit
    {29, 80, 24, -1, 4, kList14, 0},  // 63 FPX 24-bit
    {31, 52, 1, 9, 0, nullptr, 0},  // 64 GEM 1-bit
    {117, 111, 1, -1, 2, kList31, 0},  // 65 IFF 1-bit
    {118, 111, 2, -1, 2, kList31, 0},  // 66 IFF 2-bit
    {119, 111, 3, -1, 2, kList31, 0},  // 67 IFF 3-bit
    {120, 111, 4, -1, 2, kList31, 0},  // 68 IFF 4-bit
    {121, 111, 5, -1, 2, kList31, 0},  // 69 IFF 5-bit
    {122, 111, 6, -1, 2, kList31, 0},  // 70 IFF 6-bit
    {123, 111, 7, -1, 2, kList31, 0},  // 71 IFF 7-bit
    {124, 111, 8, -1, 2, kList31, 0},  // 72 IFF 8-bit
    {125, 111, 24, -1, 2, kList31, 0},  // 73 IFF 24-bit
    {40, 73, 1, -1, 5, kList10, 4},  // 74 IOCA
    {131, 122, 1, 38, 0, nullptr, 0},  // 75 ITG 1-bit
    {105, 115, 1, 30, 0, nullptr, 1},  // 76 JBIG 1-bit
    {106, 115, 2, 30, 0, nullptr, 1},  // 77 JBIG 2-bit
    {107, 115, 3, 30, 0, nullptr, 1},  // 78 JBIG 3-bit
    {108, 115, 4, 30, 0, nullptr, 1},  // 79 JBIG 4-bit
    {109, 115, 5, 30, 0, nullptr, 1},  // 80 JBIG 5-bit
    {110, 115, 6, 30, 0, nullptr, 1},  // 81 JBIG 6-bit
    {111, 115, 7, 30, 0, nullptr, 1},  // 82 JBIG 7-bit
    {112, 115, 8, 30, 0, nullptr, 1},  // 83 JBIG 8-bit
    {46, 51, 1, 14, 0, nullptr, 0},  // 84 MacPaint 1-bit
    {42, 56, 1, 13, 0, nullptr, 0},  // 85 Mac PICT 1-bit
    {43, 56, 4, 13, 0, nullptr, 0},  // 86 Mac PICT 4-bit
    {44, 56, 8, 13, 0, nullptr, 0},  // 87 Mac PICT 8-bit
    {174, 56, 16, 13, 0, nullptr, 0},  // 88 Mac PICT 16-bit
    {45, 56, 24, 13, 0, nullptr, 0},  // 89 Mac PICT 24-bit
    {41, 79, 1, -1, 5, kList11, 0},  // 90 MODCA (Raw IOCA)
    {47, 99, 1, 15, 0, nullptr, 0},  // 91 MS FAX (AWD)
    {48, 53, 1, 16, 0, nullptr, 0},  // 92 MS Paint
    {49, 14, 1, -1, 2, kList16, 0},  // 93 OS/2 BMP 1-bit
    {50, 14, 4, -1, 2, kList16, 0},  // 94 OS/2 BMP 4-bit
    {51, 14, 8, -1, 2, kList16, 0},  // 95 OS/2 BMP 8-bit
    {52, 14, 24, -1, 2, kList16, 0},  // 96 OS/2 BMP 24-bit
    {116, 102, 1, -1, 2, kList30, 0},  // 97 PBM 1-bit
    {53, 1, 1, 18, 0, nullptr, 4},  // 98 PCX 1-bit
    {54, 1, 4, 18, 0, nullptr, 4},  // 99 PCX 4-bit
    {55, 1, 8, 18, 0, nullptr, 4},  // 100 PCX 8-bit
    {56, 1, 24, 18, 0, nullptr, 4},  // 101 PCX 24-bit
    {115, 104, 8, -1, 2, kList29, 0},  // 102 PGM 8-bit
    {114, 106, 24, -1, 2, kList28, 0},  // 103 PPM 24-bit
    {165, 267, 1, -1, 2, kList36, 0},  // 104 PSP 1-bit
    {166, 267, 4, -1, 2, kList36, 0},  // 105 PSP 4-bit
    {167, 267, 8, -1, 2, kList36, 0},  // 106 PSP 8-bit
    {168, 267, 24, -1, 2, kList36, 0},  // 107 PSP 24-bit
    {57, 76, 1, 19, 0, nullptr, 0},  // 108 PSD 1-bit
    {58, 76, 8, 19, 0, nullptr, 0},  // 109 PSD 8-bit
    {59, 76, 24, 19, 0, nullptr, 0},  // 110 PSD 24-bit
    {156, 153, 0, 44, 0, nullptr, 0},  // 111 RAW data
    {164, 250, 24, 54, 0, nullptr, 0},  // 112 Scitex Continuous Tone 24-bit
    {149, 142, 8, -1, 2, kList32, 0},  // 113 SGI 8-bit
    {150, 142, 24, -1, 2, kList32, 0},  // 114 SGI 24-bit
    {151, 142, 32, -1, 2, kList32, 0},  // 115 SGI 32-bit
    {60, 55, 1, -1, 2, kList35, 0},  // 116 SUN Ras 1-bit
    {61, 55, 4, -1, 2, kList35, 0},  // 117 SUN Ras 4-bit
    {62, 55, 8, -1, 2, kList35, 0},  // 118 SUN Ras 8-bit
    {63, 55, 24, -1, 2, kList35, 0},  // 119 SUN Ras 24-bit
    {64, 55, 32, -1, 2, kList35, 0},  // 120 SUN Ras 32-bit
    {65, 4, 8, -1, 2, kList34, 0},  // 121 TGA 8-bit
    {66, 4, 16, -1, 2, kList34, 0},  // 122 TGA 16-bit
    {67, 4, 24, -1, 2, kList34, 0},  // 123 TGA 24-bit
    {68, 4, 32, -1, 2, kList34, 0},  // 124 TGA 32-bit
    {170, 273, 1, -1, 4, kList37, 0},  // 125 TIFX 1 bit
    {171, 270, 3, 60, 0, nullptr, 0},  // 126 TIFX 3 bit
    {172, 271, 8, 60, 0, nullptr, 0},  // 127 TIFX 8 bit
    {173, 276, 24, 60, 0, nullptr, 0},  // 128 TIFX 24 bit
    {89, 70, 1, -1, 2, kList27, 0},  // 129 Winfax
    {83, 6, 1, 23, 0, nullptr, 0},  // 130 Win BMP 1-bit
    {84, 6, 4, -1, 2, kList26, 0},  // 131 Win BMP 4-bit
    {85, 6, 8, -1, 2, kList26, 0},  // 132 Win BMP 8-bit
    {86, 6, 16, 23, 0, nullptr, 0},  // 133 Win BMP 16-bit
    {87, 6, 24, 23, 0, nullptr, 0},  // 134 Win BMP 24-bit
    {88, 6, 32, 23, 0, nullptr, 0},  // 135 Win BMP 32-bit
    {101, 92, 1, 29, 0, nullptr, 4},  // 136 Win Cursor 1-bit
    {102, 92, 4, 29, 0, nullptr, 4},  // 137 Win Cursor 4-bit
    {103, 92, 8, 29, 0, nullptr, 4},  // 138 Win Cursor 8-bit
    {104, 92, 24, 29, 0, nullptr, 4},  // 139 Win Cursor 24-bit
    {97, 91, 1, 28, 0, nullptr, 4},  // 140 Win Icon 1-bit
    {98, 91, 4, 28, 0, nullptr, 4},  // 141 Win Icon 4-bit
    {99, 91, 8, 28, 0, nullptr, 4},  // 142 Win Icon 8-bit
    {100, 91, 24, 28, 0, nullptr, 4},  // 143 Win Icon 24-bit
    {163, 170, 1, 52, 0, nullptr, 0},  // 144 Wireless bitmap (WBMP)
    {90, 15, 8, 25, 0, nullptr, 0},  // 145 WMF 8-bit
    {91, 15, 24, 25, 0, nullptr, 0},  // 146 WMF 24-bit
    {94, 54, 1, 27, 0, nullptr, 0},  // 147 WPG 1-bit
    {95, 54, 4, 27, 0, nullptr, 0},  // 148 WPG 4-bit
    {96, 54, 8, 27, 0, nullptr, 0},  // 149 WPG 8-bit
    {126, 110, 1, 36, 0, nullptr, 0},  // 150 XBM 1-bit
    {162, 256, 1, -1, 4, kList12, 0},  // 151 Xionics SMP
    {127, 109, 8, 37, 0, nullptr, 0},  // 152 XPM 8-bit
    {128, 109, 16, 37, 0, nullptr, 0},  // 153 XPM 16-bit
    {129, 109, 24, 37, 0, nullptr, 0},  // 154 XPM 24-bit
    {130, 109, 32, 37, 0, nullptr, 0},  // 155 XPM 32-bit
    {137, 132, 1, 42, 0, nullptr, 0},  // 156 XWD (10) 1-bit
    {138, 132, 4, 42, 0, nullptr, 0},  // 157 XWD (10) 4-bit
    {139, 132, 8, 42, 0, nullptr, 0},  // 158 XWD (10) 8-bit
    {140, 133, 1, 42, 0, nullptr, 0},  // 159 XWD (11) 1-bit
    {141, 133, 4, 42, 0, nullptr, 0},  // 160 XWD (11) 4-bit
    {142, 133, 8, 42, 0, nullptr, 0},  // 161 XWD (11) 8-bit
    {143, 133, 16, 42, 0, nullptr, 0},  // 162 XWD (11) 16-bit
    {144, 133, 24, 42, 0, nullptr, 0},  // 163 XWD (11) 24-bit
    {145, 133, 32, 42, 0, nullptr, 0},  // 164 XWD (11) 32-bit
};

const FFInfoEntry kInfoTable[kInfoPairCount + 1] = {
    {1, 0},     {2, 1},     {3, 2},     {4, 3},     {5, 4},     {6, 5},     {10, 8},    {11, 10},   {21, 12},
    {23, 13},   {22, 14},   {24, 15},   {14, 16},   {15, 17},   {16, 18},   {17, 19},   {25, 20},   {27, 21},
    {28, 22},   {29, 23},   {26, 24},   {50, 25},   {51, 26},   {52, 27},   {53, 28},   {54, 29},   {55, 30},
    {56, 31},   {57, 32},   {59, 33},   {63, 34},   {64, 35},   {66, 36},   {67, 37},   {68, 38},   {69, 39},
    {70, 40},   {71, 41},   {72, 42},   {73, 43},   {74, 44},   {75, 45},   {76, 46},   {77, 47},   {78, 48},
    {79, 49},   {80, 50},   {81, 51},   {82, 52},   {83, 53},   {84, 54},   {85, 55},   {86, 56},   {87, 57},
    {88, 58},   {89, 59},   {90, 60},   {91, 61},   {92, 62},   {93, 63},   {94, 64},   {95, 65},   {96, 66},
    {97, 67},   {98, 68},   {99, 69},   {101, 70},  {116, 71},  {115, 72},  {117, 73},  {118, 74},  {119, 75},
    {121, 76},  {122, 77},  {123, 78},  {124, 79},  {125, 80},  {126, 81},  {127, 82},  {128, 83},  {129, 84},
    {130, 85},  {131, 86},  {108, 87},  {106, 88},  {107, 89},  {104, 90},  {105, 91},  {102, 92},  {103, 93},
    {111, 94},  {112, 95},  {110, 96},  {109, 97},  {58, 98},   {243, 99},  {246, 100}, {61, 101},  {134, 102},
    {132, 103}, {133, 104}, {62, 105},  {136, 106}, {137, 107}, {138, 108}, {139, 109}, {140, 110}, {141, 111},
    {142, 112}, {143, 113}, {114, 114}, {165, 116}, {164, 117}, {163, 118}, {166, 119}, {167, 120}, {171, 121},
    {172, 122}, {173, 123}, {169, 124}, {170, 125}, {249, 126}, {250, 127}, {251, 128}, {252, 129}, {255, 130},
    {253, 131}, {254, 132}, {262, 133}, {145, 136}, {256, 137}, {257, 138}, {258, 139}, {259, 140}, {247, 134},
    {289, 135}, {20, 141},  {288, 148}, {267, 149}, {268, 150}, {273, 151}, {274, 152}, {275, 153}, {269, 154},
    {270, 155}, {271, 156}, {261, 157}, {263, 158}, {264, 159}, {265, 160}, {266, 161}, {153, 162}, {260, 163},
    {272, 164}, {276, 165}, {277, 166}, {290, 167}, {291, 168}, {0, -1},
};

}  // namespace mwff
