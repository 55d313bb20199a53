; SPDX-License-Identifier: MIT
; A small PIC18F2580 program, the sample firmware and a test input: code below and
; above the bootloader boundary at 0x200, configuration settings, and EEPROM
; data with a version text in its last 16 bytes.
        #include <p18f2580.inc>
        errorlevel -302         ; SFR access through the access bank is meant

        config  OSC = HS, PWRT = ON, WDT = OFF, LVP = OFF, MCLRE = ON

        org     0x0000          ; reset vector, kept by the bootloader
        goto    start

        org     0x0008          ; high-priority interrupt vector
        retfie  FAST

        org     0x0200          ; application code starts here
start:
        clrf    TRISB, A
        movlw   0x55
        movwf   LATB, A
loop:
        incf    LATB, F, A
        bra     loop

        org     0x7FF0          ; last block of program memory
        dw      0x1234, 0x5678, 0x9ABC, 0xDEF0

        org     0xF00000        ; data EEPROM
        de      0x01, 0x02, 0x03, 0x04
        ; The parameter block, as a fitter finds it on a module fresh from
        ; the workshop: sound off, automatic arming and the FI function on,
        ; PIN 2580, CAN program 23, channel II on LiteON, hazard lights FS2.
        org     0xF00021        ; option byte 1
        de      0x0B
        org     0xF00026        ; PIN digits 1 and 3
        de      0x02, 0x08
        org     0xF00028        ; CAN program number, packed BCD
        de      0x23
        org     0xF00061        ; option byte 2
        de      0x0A
        org     0xF00066        ; PIN digits 2 and 4
        de      0x05, 0x00
        org     0xF000F0        ; version text, 16 bytes
        de      "DEMO FW v1.02   "
        end
