#pragma once

#include <map>
#include <optional>
#include <string>

namespace fw {

// The process environment, injected so tests can set it.
class Environment {
public:
    virtual ~Environment() = default;
    // The value of the variable whose name equals this one without regard to case.
    virtual std::optional<std::string> get_ignoring_case(const std::string& name) const = 0;
    virtual std::optional<std::string> get(const std::string& name) const = 0;
};

// The real process environment.
class SystemEnvironment final : public Environment {
public:
    std::optional<std::string> get_ignoring_case(const std::string& name) const override;
    std::optional<std::string> get(const std::string& name) const override;
};

// A fixed environment for tests.
class MapEnvironment final : public Environment {
public:
    MapEnvironment() = default;
    explicit MapEnvironment(std::map<std::string, std::string> vars) : vars_(std::move(vars)) {}
    void set(const std::string& name, const std::string& value) { vars_[name] = value; }
    void unset(const std::string& name) { vars_.erase(name); }
    std::optional<std::string> get_ignoring_case(const std::string& name) const override;
    std::optional<std::string> get(const std::string& name) const override;

private:
    std::map<std::string, std::string> vars_;
};

}  // namespace fw
