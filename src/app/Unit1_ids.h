#pragma once
// Control ids of the wizard window (kept clear of IDOK/IDCANCEL).

enum : int {
    kIdSpeedButton1 = 101,
    kIdSpeedButton2,
    kIdSpeedButton3,
    kIdSpeedButton4,
    kIdLabel15 = 115,
    kIdLabel27 = 127,
    kIdLabel29 = 129,
    kIdLabel32 = 132,
    kIdLabel33 = 133,
    kIdLabel34 = 134,
    kIdLabel35 = 135,
    kIdLabel37 = 137,
    kIdLabel39 = 139,
    kIdLabel43 = 143,
    kIdLabel44 = 144,
    kIdCheckBox1 = 201,
    kIdListBox0 = 202,
    kIdEdit1 = 203,
    kIdEdit2 = 204,
    kIdEdit3 = 205,
    kIdDriveComboBox1 = 206,
    kIdProgressBar1 = 207,
    kIdAni1 = 208,
};
