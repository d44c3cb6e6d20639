// Tarn.Dictionary: keys (strings) with values of any variant type, kept in the order they
// were added. CompareMode 0 matches keys exactly, 1 without regard to (ASCII) case.
#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <utility>
#include <vector>

#include "server_object.h"

namespace tarn::servers {

namespace {

enum Id : int32_t { Add, SetItem, Item, Exists, Remove, RemoveAll, Count, Key, ItemAt, CompareMode };

constexpr Member kMembers[] = {
    {"Add", Add},       {"SetItem", SetItem},     {"Item", Item}, {"Exists", Exists}, {"Remove", Remove},
    {"RemoveAll", RemoveAll}, {"Count", Count}, {"Key", Key},   {"ItemAt", ItemAt}, {"CompareMode", CompareMode},
};

class Dictionary final : public ServerObject {
public:
    ~Dictionary() override { Clear(); }

protected:
    const Member* Members(size_t& count) const override {
        count = std::size(kMembers);
        return kMembers;
    }
    tarn_result Invoke(int32_t id, Call& call) override;

private:
    struct Entry {
        std::string key;
        tarn_variant value;
    };
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;  // lookup form of the key -> position
    int compareMode_ = 0;

    std::string LookupForm(std::string key) const {
        if (compareMode_ == 1) std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        return key;
    }
    Entry* Find(const std::string& key) {
        auto found = index_.find(LookupForm(key));
        return found == index_.end() ? nullptr : &entries_[found->second];
    }
    void Clear() {
        for (Entry& e : entries_) tarn_variant_clear(&e.value);
        entries_.clear();
        index_.clear();
    }
    void Reindex() {
        index_.clear();
        for (size_t i = 0; i < entries_.size(); ++i) index_[LookupForm(entries_[i].key)] = i;
    }
    tarn_result Store(Call& call, bool mustBeNew);
    bool Position(Call& call, size_t& at);
};

tarn_result Dictionary::Store(Call& call, bool mustBeNew) {
    std::string key;
    if (!call.Arity(2, 2)) return TARN_E_BAD_PARAM_COUNT;
    if (!call.Text(0, key)) return TARN_E_EXCEPTION;
    const tarn_variant* value = call.Arg(1);
    if (!value) return TARN_E_PARAM_NOT_OPTIONAL;
    tarn_variant copy;
    if (!CopyVariant(*value, copy)) return TARN_E_OUT_OF_MEMORY;
    if (Entry* e = Find(key)) {
        if (mustBeNew) {
            tarn_variant_clear(&copy);
            return call.Raise("Key already exists: " + key);
        }
        tarn_variant_clear(&e->value);
        e->value = copy;
        return TARN_OK;
    }
    index_[LookupForm(key)] = entries_.size();
    entries_.push_back({key, copy});
    return TARN_OK;
}

bool Dictionary::Position(Call& call, size_t& at) {
    int64_t i;
    if (!call.Integer(0, i)) return false;
    if (i < 0 || static_cast<uint64_t>(i) >= entries_.size()) {
        call.Raise("Index out of range: " + std::to_string(i));
        return false;
    }
    at = static_cast<size_t>(i);
    return true;
}

tarn_result Dictionary::Invoke(int32_t id, Call& call) {
    std::string key;
    size_t at;
    if (call.IsPut() && id != CompareMode) return TARN_E_MEMBER_NOT_FOUND;
    switch (id) {
        case Add: return Store(call, true);
        case SetItem: return Store(call, false);
        case Item:
        case Exists:
        case Remove: {
            if (!call.Arity(1, 1)) return TARN_E_BAD_PARAM_COUNT;
            if (!call.Text(0, key)) return TARN_E_EXCEPTION;
            Entry* e = Find(key);
            if (id == Exists) return call.ReturnBoolean(e != nullptr);
            if (!e) return call.Raise("Key not found: " + key);
            if (id == Item) return call.ReturnCopy(e->value);
            tarn_variant_clear(&e->value);
            entries_.erase(entries_.begin() + (e - entries_.data()));
            Reindex();
            return TARN_OK;
        }
        case RemoveAll:
            if (!call.Arity(0, 0)) return TARN_E_BAD_PARAM_COUNT;
            Clear();
            return TARN_OK;
        case Count:
            if (!call.Arity(0, 0)) return TARN_E_BAD_PARAM_COUNT;
            return call.ReturnInteger(static_cast<int64_t>(entries_.size()));
        case Key:
        case ItemAt:
            if (!call.Arity(1, 1)) return TARN_E_BAD_PARAM_COUNT;
            if (!Position(call, at)) return TARN_E_EXCEPTION;
            return id == Key ? call.ReturnText(entries_[at].key) : call.ReturnCopy(entries_[at].value);
        case CompareMode: {
            if (!call.IsPut()) return call.ReturnInteger(compareMode_);
            int64_t mode;
            if (!call.Integer(0, mode)) return TARN_E_EXCEPTION;
            if (mode != 0 && mode != 1) return call.Raise("CompareMode must be 0 (binary) or 1 (text)");
            if (!entries_.empty()) return call.Raise("CompareMode can only be changed while the dictionary is empty");
            compareMode_ = static_cast<int>(mode);
            return TARN_OK;
        }
    }
    return TARN_E_MEMBER_NOT_FOUND;
}

}  // namespace

tarn_dispatch* NewDictionary() { return new Dictionary; }

}  // namespace tarn::servers
