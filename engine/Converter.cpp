#include "Converter.h"

#include <system_error>

#include "BookWriter.h"
#include "Event.h"
#include "Text.h"

CConverter::CConverter(const sTagInfo* metadata, const std::vector<sInputFile>* files, const sCoverData* cover,
                       const std::u16string* outputPath)
    : m_pMetadata(metadata),
      m_pFiles(files),
      m_pWriter(std::make_unique<CBookWriter>(cover, outputPath)),
      m_pEnded(std::make_unique<CEvent>(true, false))
{
}

CConverter::~CConverter()
{
    if (m_thread.joinable())
        m_thread.join();
    m_pWriter.reset();
}

void CConverter::Start()
{
    g_bAbort.store(0);
    try {
        m_thread = std::thread([this] {
            try {
                m_pWriter->WriteBook(*m_pFiles, m_pMetadata);
            } catch (const std::exception& e) {
                FailConversion(u"The conversion failed: " + FromUtf8(e.what()));
                m_pWriter->Abandon();
            }
            m_pEnded->Set();
        });
    } catch (const std::system_error&) {
        FailConversion(u"Couldn't start the conversion thread");
        m_pEnded->Set();
    }
}

void CConverter::Abort()
{
    g_bAbort.store(1);
}

void CConverter::GetProgress(int& position, int& total) const
{
    m_pWriter->GetProgress(position, total);
}

bool CConverter::WaitForEnd(int milliseconds)
{
    return m_pEnded->Wait(milliseconds);
}
