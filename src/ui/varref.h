// The link between a control and the program value it edits: a typed reference to the caller's
// variable (text, number, date or logical), or a get/set pair for computed values.
#pragma once

#include <functional>
#include <string>
#include <variant>

#include "util/date.h"
#include "util/value.h"

namespace velt {

class VarRef {
  public:
    enum class Kind { None, Text, Number, Date, Logical };

    VarRef() = default;
    VarRef(std::string& text) : p_(&text) {}
    VarRef(double& number) : p_(&number) {}
    VarRef(int& number) : p_(&number) {}
    VarRef(Date& date) : p_(&date) {}
    VarRef(bool& logical) : p_(&logical) {}
    // A computed link: `get` gives the value (its kind decides how the control edits it).
    VarRef(std::function<Value()> get, std::function<void(const Value&)> set)
        : p_(Fn{std::move(get), std::move(set)}) {}

    bool isBound() const { return p_.index() != 0; }
    Kind kind() const {
        switch (p_.index()) {
            case 1:
                return Kind::Text;
            case 2:
            case 3:
                return Kind::Number;
            case 4:
                return Kind::Date;
            case 5:
                return Kind::Logical;
            case 6: {
                Value v = get();
                if (v.isText()) return Kind::Text;
                if (v.isNumber()) return Kind::Number;
                if (v.isDate()) return Kind::Date;
                if (v.isLogical()) return Kind::Logical;
                return Kind::None;
            }
            default:
                return Kind::None;
        }
    }
    Value get() const {
        switch (p_.index()) {
            case 1:
                return Value(*std::get<1>(p_));
            case 2:
                return Value(*std::get<2>(p_));
            case 3:
                return Value(*std::get<3>(p_));
            case 4:
                return Value(*std::get<4>(p_));
            case 5:
                return Value(*std::get<5>(p_));
            case 6:
                return std::get<6>(p_).get ? std::get<6>(p_).get() : Value();
            default:
                return Value();
        }
    }
    // Stores a value of the variable's own kind (other kinds store that kind's empty value).
    void set(const Value& v) const {
        switch (p_.index()) {
            case 1:
                *std::get<1>(p_) = v.text();
                break;
            case 2:
                *std::get<2>(p_) = v.num();
                break;
            case 3:
                *std::get<3>(p_) = static_cast<int>(v.num() < 0 ? v.num() - 0.5 : v.num() + 0.5);
                break;
            case 4:
                *std::get<4>(p_) = v.date();
                break;
            case 5:
                *std::get<5>(p_) = v.logical();
                break;
            case 6:
                if (std::get<6>(p_).set) std::get<6>(p_).set(v);
                break;
            default:
                break;
        }
    }

  private:
    struct Fn {
        std::function<Value()> get;
        std::function<void(const Value&)> set;
    };
    std::variant<std::monostate, std::string*, double*, int*, Date*, bool*, Fn> p_;
};

}  // namespace velt
