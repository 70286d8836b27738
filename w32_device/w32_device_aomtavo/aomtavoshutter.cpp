#include "aomtavoshutter.h"

#include "aomnotify.h"
#include "aomtavodevice.h"
#include "aomtavopad.h"

#include <qv/qvlocale.h>

namespace {
const wchar_t kSourceFile[] = L"aomtavoshutter";
} // namespace

CQvAOMTAVOShutter::CQvAOMTAVOShutter(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0), m_uShutterType(0), m_sName(QV_GetTranslation(L"TAVO", kSourceFile)) {}

CQvAOMTAVOShutter::~CQvAOMTAVOShutter() {}

bool CQvAOMTAVOShutter::Notify(bool open) {
    SQvDMChangeRecord record;
    InitChangeRecord(record, m_uId);
    PutData<uint8_t>(record, 0, open ? 1 : 0);
    PutData<int32_t>(record, 4, 0);
    PutData<double>(record, 8, 0.0);
    bool delivered = DeliverChange(*m_pOwner, record);
    if (m_pOwner->m_pPad) m_pOwner->m_pPad->Update_Shutter();
    return delivered;
}
