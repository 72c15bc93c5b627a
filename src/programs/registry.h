// The small key store the file association steps are written against, so that the same
// steps drive the desktop's association files and an in-memory store in tests.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velloran::programs {

// Key paths are names joined by "\", relative to the store's root (the empty path),
// and compare without regard to ASCII case. A key holds at most one value.
class Registry {
public:
    virtual ~Registry() = default;
    // Opens the root every path is relative to; false when the store cannot be
    // reached for writing, before anything has changed.
    [[nodiscard]] virtual bool openRoot() = 0;
    // Opens the key, creating it and its missing parents when `create` holds; false
    // when it does not exist, or cannot be created.
    [[nodiscard]] virtual bool openKey(const std::string& path, bool create) = 0;
    [[nodiscard]] virtual bool keyExists(const std::string& path) const = 0;
    [[nodiscard]] virtual std::optional<std::string> readValue(const std::string& path) const = 0;
    // Sets the value of an existing key; false when it cannot be stored.
    [[nodiscard]] virtual bool writeValue(const std::string& path, const std::string& value) = 0;
    // False when the key cannot be deleted, for instance because sub-keys remain.
    [[nodiscard]] virtual bool deleteKey(const std::string& path) = 0;
    [[nodiscard]] virtual std::vector<std::string> subKeys(const std::string& path) const = 0;
    // Ends a series of changes; a store that keeps caches for others brings them up
    // to date here.
    virtual void close() noexcept {}
};

// A store in memory. Like the platform registries it refuses to delete a key that
// still has sub-keys, so the tree deletion is exercised step by step.
class MemoryRegistry : public Registry {
public:
    MemoryRegistry();

    bool openRoot() override { return rootAvailable; }
    bool openKey(const std::string& path, bool create) override;
    bool keyExists(const std::string& path) const override;
    std::optional<std::string> readValue(const std::string& path) const override;
    bool writeValue(const std::string& path, const std::string& value) override;
    bool deleteKey(const std::string& path) override;
    std::vector<std::string> subKeys(const std::string& path) const override;

    // Test settings: no root at all; a key that can never be deleted; a key that can
    // be neither created nor written.
    bool rootAvailable = true;
    void protect(const std::string& path);
    void refuseWrites(const std::string& path);

    // Every key path in the store, in its first spelling, sorted without case.
    [[nodiscard]] std::vector<std::string> keys() const;

private:
    struct Node {
        std::string path; // as first created
        std::optional<std::string> value;
    };
    std::map<std::string, Node> m_nodes; // by lower-case path
    std::set<std::string> m_protected;
    std::set<std::string> m_refused;
};

} // namespace velloran::programs
