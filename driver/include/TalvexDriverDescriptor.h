#pragma once

#include <QtGlobal>

// The board model: product code and revision, compared as a pair. Payload layouts, reply
// lengths, the commands a board knows and its limits are chosen by it.
class TalvexDriverDescriptor
{
public:
    constexpr TalvexDriverDescriptor() = default;
    constexpr TalvexDriverDescriptor(quint32 productCode, quint32 revision)
        : m_productCode(productCode)
        , m_revision(revision)
    {
    }

    constexpr quint32 getProductCode() const { return m_productCode; }
    constexpr quint32 getRevision() const { return m_revision; }

    constexpr bool operator==(const TalvexDriverDescriptor& other) const
    {
        return m_productCode == other.m_productCode && m_revision == other.m_revision;
    }
    constexpr bool operator!=(const TalvexDriverDescriptor& other) const { return !(*this == other); }

    // The four known models.
    static const TalvexDriverDescriptor s_model1_1;
    static const TalvexDriverDescriptor s_model1_2;
    static const TalvexDriverDescriptor s_model10_1;
    static const TalvexDriverDescriptor s_model27_1;

private:
    quint32 m_productCode = 0;
    quint32 m_revision = 0;
};

inline constexpr TalvexDriverDescriptor TalvexDriverDescriptor::s_model1_1{1, 1};
inline constexpr TalvexDriverDescriptor TalvexDriverDescriptor::s_model1_2{1, 2};
inline constexpr TalvexDriverDescriptor TalvexDriverDescriptor::s_model10_1{10, 1};
inline constexpr TalvexDriverDescriptor TalvexDriverDescriptor::s_model27_1{27, 1};

inline uint qHash(const TalvexDriverDescriptor& descriptor, uint seed = 0)
{
    return (descriptor.getProductCode() * 100 + descriptor.getRevision()) ^ seed;
}
