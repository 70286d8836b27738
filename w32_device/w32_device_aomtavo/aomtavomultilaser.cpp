#include "aomtavomultilaser.h"

#include "aomnotify.h"
#include "aomtavodevice.h"
#include "aomtavopad.h"

CQvAOMTAVOMultiLaser::CQvAOMTAVOMultiLaser(CQvAOMTAVO* owner)
    : m_pOwner(owner), m_uId(0),
      m_uLineCount(MaxLines), m_auWavelength{}, m_aiPowerSteps{}, m_adPower{}, m_abEmpty{} {}

CQvAOMTAVOMultiLaser::~CQvAOMTAVOMultiLaser() {}

bool CQvAOMTAVOMultiLaser::Notify(bool line1, bool line2, bool line3, int position) {
    SQvDMChangeRecord record;
    InitChangeRecord(record, m_uId);
    PutData<uint32_t>(record, 0, m_uLineCount);
    const bool used[MaxLines] = {line1, line2, line3};
    for (int p = 0; p < MaxLines; ++p) {
        PutData<uint8_t>(record, 4 + p, used[p] ? 1 : 0);
        PutData<uint8_t>(record, 20 + p, 1);
        PutData<uint32_t>(record, 36 + 4 * p, m_auWavelength[p]);
        PutData<double>(record, 104 + 8 * p, m_adPower[p]);
        PutData<int32_t>(record, 232 + 4 * p, -1);
    }
    PutData<int32_t>(record, 368, 0);
    PutData<int32_t>(record, 372, position);
    bool delivered = DeliverChange(*m_pOwner, record);
    if (m_pOwner->m_pPad) m_pOwner->m_pPad->Update_MultiLaser();
    return delivered;
}
