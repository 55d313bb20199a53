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
        org     0xF00021        ; parameter block: option byte 1
        de      0xA5
        org     0xF000F0        ; version text, 16 bytes
        de      "DEMO FW v1.02   "
        end
