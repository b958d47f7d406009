// TProcess: the progress-bar child control. Its owner sets the position in percent and invalidates
// the control; painting draws a rounded track and, for positions 1 to 100, a rounded bar whose
// unfinished leading edge is square.
#pragma once

#include "ui/ix_frm.h"

class TProcess : public TIxFrm {
  public:
    // Takes ownership of the bar's pen and brush (deleted with the object).
    TProcess(HPEN barPen, HBRUSH barBrush);
    ~TProcess() override;
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int Position() const { return m_position; }
    void SetPosition(int percent) { m_position = percent; }

  private:
    void Paint();

    int m_position = 0;
    HPEN m_barPen;
    HBRUSH m_barBrush;
};
