// The edit-field picture language and its editing rules, without any widget: what a field shows
// with and without the focus, which keys it accepts, and how its text is read back into the
// value. TGet drives a Qt line edit with these rules.
//
// A picture is a function part (from a leading "@" up to the first blank: "@!", "@E", "@Z",
// "@9" ...) and a mask (the rest): in the mask "9" takes a digit, "A" a letter, "X" any
// character; every other character is a literal the cursor skips. A text or date field whose
// mask has literals is edited in overwrite mode.
#pragma once

#include <string>

#include "util/value.h"

namespace velt {

struct Picture {
    std::string function;  // the flags without "@" ("!", "EZ" ...)
    std::string mask;
    static Picture parse(const std::string& picture);
    bool has(char flag) const;  // the flag in the function part (any case)
    bool hasLiterals() const;
    static bool isLiteral(char maskChar) {
        return maskChar != '9' && maskChar != 'A' && maskChar != 'X';
    }
    // Whether the mask character takes the character c.
    static bool accepts(char maskChar, char c);
    std::string text() const;  // back to "@F MASK"
};

enum class FieldKind { Text, Number, Date, Logical };

FieldKind fieldKindOf(const Value& v);

// Formats a number with a number template ("@E 999.99", "@ZE 99") by the program's number
// formatter.
std::string formatNumberTemplate(double value, const std::string& numberTemplate);

// The rules of one field for a value kind, its picture and, for texts, the value's length.
class FieldRules {
  public:
    FieldRules(FieldKind kind, const std::string& picture, int textLength = 0);
    FieldKind kind() const { return kind_; }
    const Picture& picture() const { return pic_; }
    // The mask in force (a date without a picture gets "99/99/9999").
    const std::string& mask() const { return mask_; }
    bool overwrite() const;  // text or date with literals in the mask
    int maxLength() const { return maxLength_; }
    // Text shown while editing (thousands marks removed, no "Z") and without the focus
    // (full picture, trimmed).
    std::string focusText(const Value& v) const;
    std::string displayText(const Value& v) const;
    // The value the text stands for (text padded to its length, date read from dd/mm/yyyy,
    // number with "," as the decimal point, logical true for "T").
    Value readBack(const std::string& text) const;
    // A date text with something typed that is no real date.
    bool badDate(const std::string& text) const;
    // A number that does not fit the mask.
    bool numberTooBig(double value) const;
    // Cut, paste and clear work only here: text without literals.
    bool allowsClipboardEdit() const { return kind_ == FieldKind::Text && !pic_.hasLiterals(); }

  private:
    std::string numberFocusTemplate() const;
    std::string numberTemplate() const;
    FieldKind kind_;
    Picture pic_;
    std::string mask_;
    int textLength_;
    int maxLength_ = 0;
};

// The text being edited: caret and selection, and the keys as the rules take them.
class EditBuffer {
  public:
    explicit EditBuffer(const FieldRules& rules) : rules_(rules) {}
    std::string text;
    int caret = 0;
    int selStart = 0, selLength = 0;

    void setText(const std::string& t);
    // Each answers true when the text changed.
    bool typeChar(char c);
    bool backspace();
    bool deleteKey();
    bool paste(const std::string& clip);

  private:
    bool deleteSelection();
    void skipLiteralsForward();
    const FieldRules& rules_;
};

}  // namespace velt
