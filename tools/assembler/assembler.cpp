// The two-pass assembler: the first pass lays out every line and collects the labels, the
// second evaluates all values (forward references included) and writes the image.
#include "tools/assembler/assembler.h"

#include <cstdio>
#include <map>
#include <new>
#include <optional>

#include "tools/assembler/expression.h"
#include "tools/assembler/instruction_encoder.h"
#include "tools/assembler/source_line.h"

namespace sm83 {

namespace {

constexpr size_t kMaxImageSize = 0x800000;  // 8 MB, the largest cartridge ROM
constexpr int64_t kBankSize = 0x4000;
constexpr int kMaxSymbolDepth = 64;

// The bitmap the boot ROM draws from bytes 0x104-0x133 and compares with its own copy
// before it starts the cartridge; the handheld locks up when they differ.
constexpr size_t kLogoOffset = 0x104;
constexpr uint8_t kBootLogo[48] = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
constexpr size_t kTitleOffset = 0x134;
constexpr size_t kTitleSize = 16;           // 0x134-0x143; the last is the colour flag's
constexpr size_t kColourFlagOffset = 0x143;
constexpr size_t kHeaderChecksumOffset = 0x14D;  // over 0x134-0x14C; the boot ROM checks it
constexpr size_t kGlobalChecksumOffset = 0x14E;  // over the whole image but itself
constexpr size_t kHeaderEnd = 0x150;

std::string hex(int64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "%s0x%04llX", v < 0 ? "-" : "",
                  static_cast<unsigned long long>(v < 0 ? 0 - static_cast<uint64_t>(v)
                                                        : static_cast<uint64_t>(v)));
    return text;
}

bool isReservedName(std::string_view name) {
    static constexpr std::string_view kReserved[] = {"a",  "b",   "c",   "d",    "e",   "h",   "l",
                                                     "af", "bc",  "de",  "hl",   "sp",  "nz",  "z",
                                                     "nc", "hli", "hld", "high", "low", "bank"};
    const std::string lower = toLower(name);
    for (std::string_view r : kReserved)
        if (lower == r) return true;
    return false;
}

struct Symbol {
    bool isConstant = false;
    int64_t value = 0;
    int64_t bank = 0;        // labels: the ROM bank the label lies in
    bool resolved = false;   // constants: value is known
    bool resolving = false;  // constants: being evaluated (to catch circular definitions)
    std::string expression;  // constants: the defining expression
    std::string scope;       // constants: the global label in force where it was defined
    int64_t address = 0;     // constants: the value of `$` where it was defined
    int line = 0;
};

class Assembler {
public:
    Assembler(std::string_view source, size_t imageSize,
              std::optional<std::string_view> headerTitle)
        : source_(source), size_(imageSize), headerTitle_(headerTitle) {}

    AssemblyResult run() {
        AssemblyResult result;
        if (size_ > kMaxImageSize) {
            result.error = "image size " + std::to_string(size_) + " is larger than 8 MB";
            return result;
        }
        image_.assign(size_, 0);
        written_.assign(size_, false);
        splitLines();
        for (pass_ = 1; pass_ <= 2; ++pass_) {
            startPass();
            for (size_t i = 0; i < lines_.size(); ++i) {
                lineNumber_ = static_cast<int>(i) + 1;
                if (!processLine(lines_[i])) {
                    result.error = "line " + std::to_string(lineNumber_) + ": " + error_;
                    return result;
                }
            }
        }
        if (header_) {
            if (size_ < 0x150) {
                result.error = "line " + std::to_string(headerLine_) +
                               ": the header needs an image of at least 0x150 bytes";
                return result;
            }
            applyHeader(image_, *header_);
        }
        if (headerTitle_ && !completeHeader(*headerTitle_)) {
            result.error = "cannot complete the header: " + error_;
            return result;
        }
        result.ok = true;
        result.image = std::move(image_);
        return result;
    }

private:
    std::string_view source_;
    size_t size_;
    std::optional<std::string_view> headerTitle_;
    std::vector<std::string_view> lines_;
    std::vector<uint8_t> image_;
    std::vector<bool> written_;
    std::map<std::string, Symbol> symbols_;
    std::optional<CartridgeHeader> header_;
    int headerLine_ = 0;

    int pass_ = 1;
    int lineNumber_ = 0;
    std::string error_;
    std::string scope_;  // the last global label, owner of ".local" labels

    // Where output goes. Without a `bank` directive the image is flat: CPU address =
    // image offset. After `bank N` the CPU address runs through the bank's window
    // (0x0000-0x3FFF for bank 0, 0x4000-0x7FFF for the others) while the image offset is
    // N * 0x4000 plus the position inside the window.
    bool banked_ = false;
    int64_t bank_ = 0;
    int64_t address_ = 0;
    int64_t offset_ = 0;

    void splitLines() {
        size_t start = 0;
        while (start <= source_.size()) {
            size_t end = source_.find('\n', start);
            if (end == std::string_view::npos) end = source_.size();
            std::string_view line = source_.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    void startPass() {
        scope_.clear();
        banked_ = false;
        bank_ = 0;
        address_ = 0;
        offset_ = 0;
    }

    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    std::string qualify(std::string_view name, const std::string& scope) const {
        if (!name.empty() && name[0] == '.') return scope + std::string(name);
        return std::string(name);
    }

    // ---- symbols and expressions ----

    LookupResult lookUpSymbol(std::string_view name, const std::string& scope, bool lenient,
                              int depth, int64_t& value, std::string& error) {
        const auto it = symbols_.find(qualify(name, scope));
        if (it == symbols_.end()) return LookupResult::Undefined;
        Symbol& symbol = it->second;
        if (!symbol.isConstant) {
            value = symbol.value;
            return LookupResult::Found;
        }
        if (symbol.resolved) {
            value = symbol.value;
            return LookupResult::Found;
        }
        if (symbol.resolving || depth > kMaxSymbolDepth) {
            error = "circular definition of '" + std::string(name) + "'";
            return LookupResult::Failed;
        }
        symbol.resolving = true;
        ExpressionValue v;
        std::string inner;
        const bool ok =
            evaluate(symbol.expression, symbol.scope, symbol.address, false, depth + 1, v, inner);
        symbol.resolving = false;
        if (ok) {
            symbol.value = v.value;
            symbol.resolved = true;
            value = v.value;
            return LookupResult::Found;
        }
        // While labels are still being collected a constant may rest on a later label; any
        // other fault is reported on the constant's own line in the second pass.
        if (lenient) return LookupResult::Undefined;
        error = inner;
        return LookupResult::Failed;
    }

    bool evaluate(std::string_view text, const std::string& scope, int64_t address, bool lenient,
                  int depth, ExpressionValue& result, std::string& error) {
        ExpressionContext context;
        context.currentAddress = address;
        context.allowUndefined = lenient;
        context.symbol = [&](std::string_view name, int64_t& value, std::string& e) {
            return lookUpSymbol(name, scope, lenient, depth, value, e);
        };
        context.bank = [&](std::string_view name, int64_t& bank, std::string& e) {
            const auto it = symbols_.find(qualify(name, scope));
            if (it == symbols_.end()) return LookupResult::Undefined;
            if (it->second.isConstant) {
                e = "bank() needs a label, '" + std::string(name) + "' is a constant";
                return LookupResult::Failed;
            }
            bank = it->second.bank;
            return LookupResult::Found;
        };
        return evaluateExpression(text, context, result, error);
    }

    // Values that decide the layout (org, bank, ds) must be known where they stand.
    bool evaluateNow(std::string_view text, int64_t& value) {
        ExpressionValue v;
        std::string error;
        if (!evaluate(text, scope_, address_, false, 0, v, error)) {
            if (pass_ == 1 && error.rfind("undefined", 0) == 0)
                error += " (it must be defined before this line)";
            return fail(error);
        }
        value = v.value;
        return true;
    }

    // Operand values: forward references are allowed, so the first pass takes them as 0.
    bool evaluateOperand(std::string_view text, int64_t& value, std::string& error) {
        ExpressionValue v;
        if (!evaluate(text, scope_, address_, pass_ == 1, 0, v, error)) return false;
        value = v.value;
        return true;
    }

    bool defineLabel(const std::string& name) {
        if (name[0] != '.') scope_ = name;
        if (pass_ != 1) {
            // Both passes lay out the same sizes, so a label cannot move between them.
            const auto it = symbols_.find(qualify(name, scope_));
            if (it == symbols_.end() || it->second.value != address_)
                return fail("internal error: label '" + name + "' moved between passes");
            return true;
        }
        if (isReservedName(name)) return fail("'" + name + "' is a reserved name");
        const std::string full = qualify(name, scope_);
        if (const auto it = symbols_.find(full); it != symbols_.end())
            return fail("duplicate label '" + name + "' (first defined on line " +
                        std::to_string(it->second.line) + ")");
        Symbol symbol;
        symbol.value = address_;
        symbol.bank = banked_ ? bank_ : (address_ < kBankSize ? 0 : 1);
        symbol.line = lineNumber_;
        symbols_.emplace(full, symbol);
        return true;
    }

    bool defineConstant(const std::string& name, const std::string& expression) {
        const std::string full = qualify(name, scope_);
        if (pass_ == 2) {
            // Every constant is evaluated once, so a broken one is reported on its own line.
            int64_t value = 0;
            std::string error;
            if (lookUpSymbol(name, scope_, false, 0, value, error) != LookupResult::Found)
                return fail(error.empty() ? "undefined symbol in '" + name + "'" : error);
            return true;
        }
        if (isReservedName(name)) return fail("'" + name + "' is a reserved name");
        if (const auto it = symbols_.find(full); it != symbols_.end())
            return fail("duplicate symbol '" + name + "' (first defined on line " +
                        std::to_string(it->second.line) + ")");
        Symbol symbol;
        symbol.isConstant = true;
        symbol.expression = expression;
        symbol.scope = scope_;
        symbol.address = address_;
        symbol.line = lineNumber_;
        symbols_.emplace(full, symbol);
        return true;
    }

    // ---- output ----

    bool place(const std::vector<uint8_t>& bytes) { return reserve(bytes.size(), &bytes, 0); }

    // Advances the output position by n bytes, writing `bytes` (or n copies of fill) in the
    // second pass.
    bool reserve(size_t n, const std::vector<uint8_t>* bytes, uint8_t fill) {
        const int64_t count = static_cast<int64_t>(n);
        if (banked_) {
            const int64_t end = bank_ == 0 ? kBankSize : 2 * kBankSize;
            if (address_ + count > end)
                return fail("output runs past the end of bank " + std::to_string(bank_) + " (" +
                            hex(end - 1) + ")");
        } else if (address_ + count > 0x10000) {
            return fail("output runs past address 0xFFFF");
        }
        if (offset_ + count > static_cast<int64_t>(size_))
            return fail("output beyond the end of the image (offset " + hex(offset_ + count - 1) +
                        ", image size " + hex(static_cast<int64_t>(size_)) + ")");
        if (pass_ == 2) {
            for (size_t i = 0; i < n; ++i) {
                const size_t at = static_cast<size_t>(offset_) + i;
                if (written_[at])
                    return fail("output overlaps bytes already placed at image offset " +
                                hex(static_cast<int64_t>(at)));
                written_[at] = true;
                image_[at] = bytes ? (*bytes)[i] : fill;
            }
        }
        address_ += count;
        offset_ += count;
        return true;
    }

    // ---- header completion ----

    // Writes header bytes the source left to the assembler; a byte the source placed
    // itself must already hold the value, so that no code or data is overwritten.
    bool completeBytes(size_t at, const uint8_t* bytes, size_t n, const char* area) {
        for (size_t i = 0; i < n; ++i) {
            if (written_[at + i] && image_[at + i] != bytes[i]) {
                char value[8];
                std::snprintf(value, sizeof value, "0x%02X", image_[at + i]);
                return fail("the source placed " + std::string(value) + " at " +
                            hex(static_cast<int64_t>(at + i)) + ", where the " + area + " goes");
            }
        }
        for (size_t i = 0; i < n; ++i) image_[at + i] = bytes[i];
        return true;
    }

    // Runs after everything else is final, padding and the header directive included,
    // so that the checksums cover the image as it is written out.
    bool completeHeader(std::string_view title) {
        if (size_ < kHeaderEnd) return fail("the header needs an image of at least 0x150 bytes");
        const bool colourFlagTaken = header_.has_value() || written_[kColourFlagOffset];
        const size_t room = colourFlagTaken ? kTitleSize - 1 : kTitleSize;
        if (title.size() > room)
            return fail("the title '" + std::string(title) + "' has " +
                        std::to_string(title.size()) + " characters, at most " +
                        std::to_string(room) + " fit" +
                        (colourFlagTaken ? " (byte 0x143 holds the colour flag)" : ""));
        for (const char c : title) {
            if (c < 0x20 || c > 0x5F)
                return fail("the title '" + std::string(title) +
                            "' may hold only uppercase letters, digits, spaces and punctuation");
        }
        if (!completeBytes(kLogoOffset, kBootLogo, sizeof kBootLogo, "boot logo")) return false;
        uint8_t titleBytes[kTitleSize] = {};
        for (size_t i = 0; i < title.size(); ++i) titleBytes[i] = static_cast<uint8_t>(title[i]);
        if (!completeBytes(kTitleOffset, titleBytes, room, "title")) return false;

        uint8_t headerSum = 0;
        for (size_t i = kTitleOffset; i < kHeaderChecksumOffset; ++i)
            headerSum = static_cast<uint8_t>(headerSum - image_[i] - 1);
        if (!completeBytes(kHeaderChecksumOffset, &headerSum, 1, "header checksum")) return false;

        uint16_t globalSum = 0;
        for (size_t i = 0; i < size_; ++i) {
            if (i != kGlobalChecksumOffset && i != kGlobalChecksumOffset + 1)
                globalSum = static_cast<uint16_t>(globalSum + image_[i]);
        }
        const uint8_t globalBytes[2] = {static_cast<uint8_t>(globalSum >> 8),
                                        static_cast<uint8_t>(globalSum & 0xFF)};
        return completeBytes(kGlobalChecksumOffset, globalBytes, 2, "global checksum");
    }

    // ---- directives ----

    bool directiveOrg(const std::vector<std::string>& ops) {
        if (ops.size() != 1) return fail("org takes one address");
        int64_t a = 0;
        if (!evaluateNow(ops[0], a)) return false;
        if (banked_) {
            const int64_t low = bank_ == 0 ? 0 : kBankSize;
            if (a < low || a >= low + kBankSize)
                return fail("org " + hex(a) + " is outside bank " + std::to_string(bank_) + " (" +
                            hex(low) + ".." + hex(low + kBankSize - 1) + ")");
            address_ = a;
            offset_ = bank_ * kBankSize + (a - low);
            return true;
        }
        if (a < 0 || a > 0xFFFF) return fail("org " + hex(a) + " is outside 0x0000..0xFFFF");
        address_ = a;
        offset_ = a;
        return true;
    }

    bool directiveBank(const std::vector<std::string>& ops) {
        if (ops.size() != 1) return fail("bank takes one bank number");
        int64_t n = 0;
        if (!evaluateNow(ops[0], n)) return false;
        if (n < 0 || n >= 512) return fail("bank " + std::to_string(n) + " out of range 0..511");
        if (n * kBankSize >= static_cast<int64_t>(size_))
            return fail("bank " + std::to_string(n) + " lies beyond the image (image size " +
                        hex(static_cast<int64_t>(size_)) + ")");
        banked_ = true;
        bank_ = n;
        address_ = n == 0 ? 0 : kBankSize;
        offset_ = n * kBankSize;
        return true;
    }

    bool directiveDb(const std::vector<std::string>& ops) {
        if (ops.empty()) return fail("db needs at least one value");
        std::vector<uint8_t> bytes;
        for (const std::string& op : ops) {
            if (op[0] == '"') {
                size_t pos = 1;
                while (pos < op.size() && op[pos] != '"') {
                    uint8_t c = 0;
                    if (!readQuotedChar(op, pos, c)) return fail("bad escape in string " + op);
                    bytes.push_back(c);
                }
                if (pos + 1 != op.size()) return fail("malformed string " + op);
                continue;
            }
            int64_t v = 0;
            if (!evaluateOperand(op, v, error_)) return false;
            if (pass_ == 2 && (v < -128 || v > 255))
                return fail("value " + std::to_string(v) + " out of range for a byte (-128..255)");
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        }
        return place(bytes);
    }

    bool directiveDw(const std::vector<std::string>& ops) {
        if (ops.empty()) return fail("dw needs at least one value");
        std::vector<uint8_t> bytes;
        for (const std::string& op : ops) {
            int64_t v = 0;
            if (!evaluateOperand(op, v, error_)) return false;
            if (pass_ == 2 && (v < -32768 || v > 65535))
                return fail("value " + std::to_string(v) +
                            " out of range for a word (-32768..65535)");
            bytes.push_back(static_cast<uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
        return place(bytes);
    }

    bool fillValue(const std::vector<std::string>& ops, uint8_t& fill) {
        fill = 0;
        if (ops.size() < 2) return true;
        int64_t v = 0;
        if (!evaluateOperand(ops[1], v, error_)) return false;
        if (pass_ == 2 && (v < -128 || v > 255))
            return fail("fill value " + std::to_string(v) + " out of range (-128..255)");
        fill = static_cast<uint8_t>(v & 0xFF);
        return true;
    }

    bool directiveDs(const std::vector<std::string>& ops) {
        if (ops.empty() || ops.size() > 2) return fail("ds takes a count and an optional fill");
        int64_t n = 0;
        if (!evaluateNow(ops[0], n)) return false;
        if (n < 0 || n > static_cast<int64_t>(kMaxImageSize))
            return fail("ds count " + std::to_string(n) + " out of range");
        uint8_t fill = 0;
        if (!fillValue(ops, fill)) return false;
        return reserve(static_cast<size_t>(n), nullptr, fill);
    }

    // align N[, fill]: pads with fill bytes up to the next multiple of N.
    bool directiveAlign(const std::vector<std::string>& ops) {
        if (ops.empty() || ops.size() > 2)
            return fail("align takes a boundary and an optional fill");
        int64_t n = 0;
        if (!evaluateNow(ops[0], n)) return false;
        if (n < 1 || n > 0x10000)
            return fail("align boundary " + std::to_string(n) + " out of range");
        uint8_t fill = 0;
        if (!fillValue(ops, fill)) return false;
        const int64_t pad = (n - address_ % n) % n;
        return reserve(static_cast<size_t>(pad), nullptr, fill);
    }

    // header type=.., rom=.., ram=.., colour=..: the cartridge header bytes.
    bool directiveHeader(const std::vector<std::string>& ops) {
        if (ops.empty()) return fail("header needs key=value settings");
        CartridgeHeader header = header_.value_or(CartridgeHeader{});
        for (const std::string& op : ops) {
            const size_t eq = op.find('=');
            if (eq == std::string::npos) return fail("header setting '" + op + "' lacks '='");
            const std::string key = toLower(trim(std::string_view(op).substr(0, eq)));
            uint8_t* field = key == "type"                       ? &header.type
                             : key == "rom"                      ? &header.romSizeCode
                             : key == "ram"                      ? &header.ramSizeCode
                             : key == "colour" || key == "color" ? &header.colourFlag
                                                                 : nullptr;
            if (!field) return fail("unknown header key '" + key + "' (type, rom, ram or colour)");
            int64_t v = 0;
            if (!evaluateNow(std::string_view(op).substr(eq + 1), v)) return false;
            if (v < 0 || v > 255)
                return fail("header " + key + " value " + std::to_string(v) +
                            " out of range 0..255");
            *field = static_cast<uint8_t>(v);
        }
        header_ = header;
        headerLine_ = lineNumber_;
        return true;
    }

    bool processLine(std::string_view text) {
        SourceLine line;
        if (!splitSourceLine(text, line, error_)) return false;
        if (!line.label.empty() && !defineLabel(line.label)) return false;
        if (!line.constantName.empty()) return defineConstant(line.constantName, line.operands[0]);
        std::string_view m = line.mnemonic;
        if (m.empty()) return true;
        if (m[0] == '.' && m.size() > 1) m.remove_prefix(1);
        const auto& ops = line.operands;
        if (m == "org") return directiveOrg(ops);
        if (m == "bank") return directiveBank(ops);
        if (m == "db" || m == "byte" || m == "defb") return directiveDb(ops);
        if (m == "dw" || m == "word" || m == "defw") return directiveDw(ops);
        if (m == "ds" || m == "defs") return directiveDs(ops);
        if (m == "align") return directiveAlign(ops);
        if (m == "header") return directiveHeader(ops);

        EncodeContext context;
        context.checkRanges = pass_ == 2;
        context.address = address_;
        context.evaluate = [this](std::string_view expr, int64_t& value, std::string& error) {
            return evaluateOperand(expr, value, error);
        };
        std::vector<uint8_t> bytes;
        if (!encodeInstruction(m, ops, context, bytes, error_)) return false;
        return place(bytes);
    }
};

}  // namespace

AssemblyResult assemble(std::string_view source, size_t imageSize,
                        std::optional<std::string_view> headerTitle) {
    try {
        Assembler assembler(source, imageSize, headerTitle);
        return assembler.run();
    } catch (const std::bad_alloc&) {
        AssemblyResult result;
        result.error = "out of memory";
        return result;
    } catch (...) {
        AssemblyResult result;
        result.error = "internal error";
        return result;
    }
}

void applyHeader(std::vector<uint8_t>& image, const CartridgeHeader& header) {
    if (image.size() < 0x150) return;
    image[0x143] = header.colourFlag;
    image[0x147] = header.type;
    image[0x148] = header.romSizeCode;
    image[0x149] = header.ramSizeCode;
}

}  // namespace sm83
