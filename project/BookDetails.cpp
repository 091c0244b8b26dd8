#include "project/BookDetails.h"

const std::array<sDetailField, 6> DETAIL_FIELDS{{
    {1010, u"Artist:", &sBookDetails::m_strArtist, &sTagInfo::m_strPerformer},
    {1013, u"Writer:", &sBookDetails::m_strWriter, &sTagInfo::m_strPublisher},
    {1012, u"Album:", &sBookDetails::m_strAlbum, &sTagInfo::m_strAlbum},
    {1011, u"Year:", &sBookDetails::m_strYear, &sTagInfo::m_strRecordedDate},
    {1014, u"Genre:", &sBookDetails::m_strGenre, &sTagInfo::m_strGenre},
    {1015, u"Comment:", &sBookDetails::m_strComment, &sTagInfo::m_strComment},
}};

sBookDetails DetailsFromTags(const sTagInfo& tags)
{
    sBookDetails details;
    for (const sDetailField& field : DETAIL_FIELDS)
        details.*field.m_pDetail = tags.*field.m_pTag;
    return details;
}
