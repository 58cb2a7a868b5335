// Small number and byte helpers: NaN tests (NaN marks a missing value everywhere), NaN-skipping minimum and
// maximum, sign copy, next representable value, hexadecimal digits, byte order, memory fill, character classes.
#pragma once

#include "CxTypes.h"

bool CxIsNan(float inValue);
bool CxIsNan(double inValue);
bool CxNotNan(float inValue);
bool CxNotNan(double inValue);

// NaN only when both are NaN.
double CxMinNotNan(double inA, double inB);
double CxMaxNotNan(double inA, double inB);

// The magnitude of inX with the sign bit of inY; exact for zeros, infinities and NaN.
double CxCopysign(double inX, double inY);

// The next representable value after inX towards inY (inX itself when they are equal).
double CxNextAfter(double inX, double inY);
float CxNextAfter(float inX, float inY);

// '0'-'9', 'A'-'F', 'a'-'f' give their value; anything else gives 0.
CxUint8 CxCharToHex(CxUint16 inUnit);
// The upper-case digit of the low four bits.
char CxHexToChar(CxUint8 inValue);

enum CxEndianness : CxUint8
{
    kCxBigEndian = 0,
    kCxLittleEndian = 1
};

// Byte reversal in place. long and unsigned long are 64-bit here but 32-bit in every layout this system reads,
// so they are refused rather than silently twisted at the wrong width.
void CxTwist(CxSint16& ioValue);
void CxTwist(CxUint16& ioValue);
void CxTwist(CxSint32& ioValue);
void CxTwist(CxUint32& ioValue);
void CxTwist(CxSint64& ioValue);
void CxTwist(CxUint64& ioValue);
void CxTwist(float& ioValue);
void CxTwist(double& ioValue);
void CxTwist(long&) = delete;
void CxTwist(unsigned long&) = delete;

// Reverses only when the two byte orders differ.
template <typename T> inline void CxTwist(T& ioValue, CxEndianness inFrom, CxEndianness inTo)
{
    if (inFrom != inTo)
        CxTwist(ioValue);
}
void CxTwist(long&, CxEndianness, CxEndianness) = delete;
void CxTwist(unsigned long&, CxEndianness, CxEndianness) = delete;

// Fills inCount bytes with copies of inValue (inCount / sizeof(inValue) of them).
void CxMemoryFill(void* inPtr, signed char inValue, CxUint32 inCount);
void CxMemoryFill(void* inPtr, unsigned char inValue, CxUint32 inCount);
void CxMemoryFill(void* inPtr, CxSint16 inValue, CxUint32 inCount);
void CxMemoryFill(void* inPtr, CxUint16 inValue, CxUint32 inCount);
void CxMemoryFill(void* inPtr, CxSint32 inValue, CxUint32 inCount);
void CxMemoryFill(void* inPtr, CxUint32 inValue, CxUint32 inCount);
void CxMemoryFill(void*, long, CxUint32) = delete;
void CxMemoryFill(void*, unsigned long, CxUint32) = delete;

enum CxSeek : CxSint32
{
    kCxSeekLineEnd = 0,          // CR or LF
    kCxSeekDigit = 1,            // '0'-'9'
    kCxSeekNumber = 2,           // a digit or '-'
    kCxSeekLetter = 3,           // A-Z, a-z
    kCxSeekNotLetter = 4,        // anything but a letter
    kCxSeekWhitespace = 5,       // blank, tab, LF, CR
    kCxSeekNotWhitespace = 6,    // anything but those
    kCxSeekControlWhitespace = 7 // tab, LF, CR
};

bool CxIsMatch(CxUint16 inUnit, CxSeek inClass);
bool CxIsMatch(char inChar, CxSeek inClass);
