#pragma once

#include "data/archive.h"
#include "data/daten_object.h"
#include "data/record.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qor::data {

// Numbers the document's lists so that a reference to an object read earlier finds it.
enum ListId { kSampleList = 0, kOldPotList, kPotList, kEisList, kLabelList, kSpareList, kOtherList };

namespace detail {
// The file version comes from the class record of the first sample read.
inline void NoteClass(Archive& ar, const ObjectRef& ref)
{
    if (ref.newClassRecord && ref.className == CDatenObject::kClassName)
        ar.SetFileVersion(ref.schema);
}
// A malformed count must not reserve more than the rest of the file could hold.
inline std::size_t SafeReserve(const Archive& ar, std::uint32_t count, std::size_t minBytes)
{
    return static_cast<std::size_t>(std::min<std::uint64_t>(count, ar.Remaining() / (2 + minBytes)));
}
}  // namespace detail

// A list of records of one class, written as a counted list of class-tagged objects.
template <class T> void SerializeList(Archive& ar, std::vector<T>& list, int listId = kOtherList)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (auto& rec : list) {
            ar.WriteObjectTag(T::kClassName);
            rec.Serialize(ar);
        }
        return;
    }
    const std::uint32_t count = ar.ReadCount();
    list.reserve(list.size() + detail::SafeReserve(ar, count, T::kMinFileBytes));
    for (std::uint32_t i = 0; i < count; ++i) {
        ObjectRef ref = ar.ReadObjectRef();
        if (ref.kind == ObjectRef::Kind::Null)
            continue;  // nothing to keep
        if (ref.className != T::kClassName) {
            if (!CreateRecord(ref.className))
                ar.Fail("unknown class " + ref.className);
            ar.Fail(ref.className + " where " + T::kClassName + " belongs");
        }
        if (ref.kind == ObjectRef::Kind::Known) {
            const Archive::Placed at = ar.PlacedObject(ref.number);
            if (at.list != listId || at.index >= list.size())
                ar.Fail("reference to an object of another list");
            list.push_back(list[at.index]);
            continue;
        }
        detail::NoteClass(ar, ref);
        list.emplace_back();
        try {
            list.back().Serialize(ar);
        } catch (...) {
            list.pop_back();  // only whole records stay
            throw;
        }
        ar.NoteObject(ref.number, listId, static_cast<std::uint32_t>(list.size() - 1));
    }
}

// A list that may hold records of any class.
inline void SerializeAnyList(Archive& ar, std::vector<std::unique_ptr<CListRecord>>& list,
                             int listId = kSpareList)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (auto& rec : list) {
            if (!rec) {
                ar.WriteNull();
                continue;
            }
            ar.WriteObjectTag(rec->ClassName());
            rec->Serialize(ar);
        }
        return;
    }
    const std::uint32_t count = ar.ReadCount();
    list.reserve(list.size() + detail::SafeReserve(ar, count, 8));
    for (std::uint32_t i = 0; i < count; ++i) {
        ObjectRef ref = ar.ReadObjectRef();
        if (ref.kind == ObjectRef::Kind::Null)
            continue;
        if (ref.kind == ObjectRef::Kind::Known) {
            const Archive::Placed at = ar.PlacedObject(ref.number);
            if (at.list != listId || at.index >= list.size())
                ar.Fail("reference to an object of another list");
            list.push_back(list[at.index]->Clone());
            continue;
        }
        auto rec = CreateRecord(ref.className);
        if (!rec)
            ar.Fail("unknown class " + ref.className);
        detail::NoteClass(ar, ref);
        rec->Serialize(ar);
        list.push_back(std::move(rec));
        ar.NoteObject(ref.number, listId, static_cast<std::uint32_t>(list.size() - 1));
    }
}

}  // namespace qor::data
