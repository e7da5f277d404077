#pragma once

// What an operation of the tools gives back: its value, or the refusal that stopped it,
// never both and never a flag with the reason kept somewhere else. A refusal says what
// kind of thing went wrong; the dialog that shows it chooses the icon from that.

#include <string>
#include <utility>
#include <variant>

namespace zandrel {

enum class RefusalKind {
    Rule,     // an input the operation does not take, told plainly
    Failure,  // what the operation set out to make cannot be made: a source that cannot
              // be used, an output that cannot be created or could not hold the result
};

struct Refusal {
    RefusalKind kind = RefusalKind::Rule;
    std::string text;
};

template <class T>
class [[nodiscard]] Result {
public:
    // Both convert where a Result is returned.
    Result(T value) : m_value(std::move(value)) {}            // NOLINT(google-explicit-constructor)
    Result(Refusal refusal) : m_value(std::move(refusal)) {}  // NOLINT(google-explicit-constructor)

    explicit operator bool() const { return std::holds_alternative<T>(m_value); }
    T& operator*() { return std::get<T>(m_value); }
    const T& operator*() const { return std::get<T>(m_value); }
    T* operator->() { return &std::get<T>(m_value); }
    const T* operator->() const { return &std::get<T>(m_value); }
    // Only for a result that holds none.
    Refusal& Refused() { return std::get<Refusal>(m_value); }
    const Refusal& Refused() const { return std::get<Refusal>(m_value); }

private:
    std::variant<T, Refusal> m_value;
};

}  // namespace zandrel
