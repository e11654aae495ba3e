// A small game executable built in memory: a PE32 file with one data section that holds
// the nine language method tables at their fixed addresses, with methods, strings and
// lists, and a resource section with string-table blocks per language.
//
// Out of the box every language has: single slots returning "<row>:s<n>", list slots
// returning two lines "<row>:l<n>.1" and "<row>:l<n>.2", slot 14 with sub-list k holding
// k lines "<row>:k<k>.<j>", and string-table block 1 with strings 0 and 1
// ("<row>:r0", "<row>:r1"). The cell slots 193 to 199 point outside the image, so any
// reading of them fails the build. Tests change what they need and build the file.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class FixtureGame
{
public:
    // Layout of the built file, for tests that damage it.
    static constexpr std::uint32_t PeHeaderOffset = 0x40;
    static constexpr std::uint32_t OptionalHeaderOffset = PeHeaderOffset + 4 + 20;
    static constexpr std::uint32_t SectionTableOffset = OptionalHeaderOffset + 224;
    static constexpr std::uint32_t DataRva = 0x1000;
    static constexpr std::uint32_t DataEnd = 0x608000;       // game address after the data
    static constexpr std::uint32_t OutsideAddress = 0xFFFFFFF0; // never inside the image

    FixtureGame();

    // Memory of the game (addresses are game addresses, image base 0x400000).
    std::uint32_t AddString(const std::string &bytes);             // NUL appended
    std::uint32_t AddList(const std::vector<std::uint32_t> &items); // 0 appended
    std::uint32_t AddStringList(const std::vector<std::string> &lines);
    std::uint32_t AddValueMethod(std::uint32_t result);           // mov eax, result; ret
    std::uint32_t AddSlot14Method(std::uint32_t subListArray, std::uint32_t subList14);
    void PutU32(std::uint32_t address, std::uint32_t value);
    std::uint32_t U32(std::uint32_t address) const;

    // Entry `slot` of language `row`'s method table.
    void SetEntry(int row, int slot, std::uint32_t method);
    std::uint32_t Entry(int row, int slot) const;
    // Points single or list slot `slot` of `row` at a method returning `result`.
    void SetSlotResult(int row, int slot, std::uint32_t result);

    // String-table resources: block `block` (1-based) of `language`; 16 strings.
    void SetStringBlock(std::uint16_t language, std::uint16_t block,
                        const std::array<std::u16string, 16> &strings);
    // A block whose bytes are given as they are (for damaged blocks).
    void SetRawStringBlock(std::uint16_t language, std::uint16_t block, const QByteArray &bytes);
    void RemoveStringBlocks(std::uint16_t language);

    // The PE32 file.
    QByteArray Build() const;
    // Builds the file and writes it to `path`.
    void WriteTo(const QString &path) const;

private:
    std::uint32_t Allocate(std::uint32_t size);

    std::vector<std::uint8_t> data_; // game addresses 0x401000 .. DataEnd
    std::uint32_t next_;             // next free game address
    // language -> block -> bytes
    std::map<std::uint16_t, std::map<std::uint16_t, QByteArray>> stringBlocks_;
};
