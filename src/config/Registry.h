#pragma once

#include "config/ValueInfo.h"
#include "core/String.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tb {

class KeyStore;
class RegistryStore;

// The key below which all configuration lives.
inline constexpr const char* RootKeyPath = "Software\\Brightfold\\Tunebridge\\1.0";
// The access mask of everything.
inline constexpr uint32_t FullAccess = 0xF003F;

// One key of the persistent store, opened by its path, or closed. Values keep
// their type: REG_SZ texts and REG_DWORD numbers (flags are 0 or 1, read as
// true when not 0). Names of keys and values compare without regard to ASCII
// case. Errors are RegistryException; the getters that take no
// throwIfMissing, SubKeyExists, and Open without throwOnFailure
// report a missing key or value as false instead. Every operation on a closed
// key throws NotOpen (15000).
// Not thread-safe: used by the thread that uses its store, which must outlive it.
class Registry {
public:
    static constexpr uint32_t FullAccess = ::tb::FullAccess;

    Registry() = default;
    // `basePath` goes before every path given to Open; a backslash is added
    // unless it ends in one (an empty base path stays empty).
    explicit Registry(const String& basePath);
    virtual ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Closes any open key, then opens base path + `path`, creating the key and
    // its parents when missing. On failure throws RegistryException (code and
    // full path) when `throwOnFailure`, else returns false.
    bool Open(RegistryStore& root, const String& path, uint32_t access, bool throwOnFailure);
    void Close() noexcept;
    bool IsOpen() const noexcept { return store_ != nullptr; }

    // Whether `name` exists below this key. A damaged or unreadable store
    // throws rather than answering false, so that a list is never taken to
    // end early.
    virtual bool SubKeyExists(const String& name) const;
    // A new key object (empty base path, full access) on an existing subkey /
    // on a subkey created when missing. Throws RegistryException naming the
    // subkey's full path.
    virtual std::unique_ptr<Registry> OpenSubKey(const String& name) const;
    virtual std::unique_ptr<Registry> CreateSubKey(const String& name);
    // Deletes a subkey that has no subkeys of its own; any failure throws NotOpen.
    virtual void DeleteSubKey(const String& name);

    virtual bool GetFlag(const String& name, bool& out) const;
    virtual bool GetNumber(const String& name, uint32_t& out) const;
    // A missing value returns false (out untouched) or, with throwIfMissing,
    // throws FileNotFound (2); another type throws WrongType (15001); a
    // REG_DWORD not of 4 bytes throws BadSize (15002).
    virtual bool GetNumber(const String& name, uint32_t& out, bool throwIfMissing) const;
    // As GetNumber for REG_SZ; one terminating NUL is not part of the text.
    virtual bool GetString(const String& name, String& out, bool throwIfMissing) const;

    // Writes; any failure throws NotOpen (15000).
    virtual void SetFlag(const String& name, bool value);
    virtual void SetNumber(const String& name, uint32_t value);
    virtual void SetDword(const String& name, uint32_t value);
    // REG_SZ of the text and its terminating NUL.
    virtual void SetString(const String& name, const String& value);

    // Names of the direct subkeys, ordered without regard to case.
    std::vector<String> SubKeyNames() const;

    // The open key's full path as stored (empty when closed).
    const String& Path() const noexcept { return path_; }
    // The store the key was opened on; throws NotOpen when closed.
    RegistryStore& Store() const;

private:
    bool Attach(RegistryStore& root, const String& fullPath, uint32_t access, bool throwOnFailure,
                bool create);
    void RequireOpen(const String& name) const;
    void RequireAccess(uint32_t right, const String& name) const;
    KeyStore& Keys() const;
    std::optional<ValueInfo> Lookup(const String& name, bool throwIfMissing) const;
    void Write(const String& name, uint32_t type, std::string_view data);

    String basePath_;
    RegistryStore* store_ = nullptr; // null when closed
    int64_t keyId_ = 0;
    String path_;
    uint32_t access_ = 0;
};

} // namespace tb
