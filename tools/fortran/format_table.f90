! SPDX-License-Identifier: Apache-2.0
! Writes the reference table of edit-descriptor results that the report tests
! check the formatting layer against. One line per case:
!
!     descriptor  value  |field|
!
! The value is written with ES25.17E3, which reads back to the same double with
! strtod; the field is the exact text the descriptor produces, between bars.
! Descriptors starting with RF are the magnitude-chosen real field of the
! report rows (width.decimals), built here the way the report writer builds it:
! a run-time format text with the width and the decimals as two-character
! integers.
program format_table
    use, intrinsic :: ieee_arithmetic, only: ieee_value, ieee_positive_inf, &
        ieee_negative_inf, ieee_quiet_nan
    use, intrinsic :: iso_fortran_env, only: compiler_version, int64, real64
    implicit none

    integer, parameter :: dp = real64
    integer :: i, j, k, w
    real(dp) :: x
    character(len=12) :: desc

    character(len=12), parameter :: realDescs(*) = [character(len=12) :: &
        'F9.3', 'F10.2', 'F12.4', 'F8.2', 'F8.3', 'F5.1', 'F6.2', 'F7.3', 'F4.0', &
        'F8.0', 'F15.6', 'F3.1', 'F4.2', 'F5.3', 'F3.0', 'F2.0', 'F1.0', 'F6.0', &
        'F13.8', 'F16.8', 'F17.8', 'F17.10', 'F19.5', 'F40.10', &
        'E12.4', 'E10.3', 'E9.3', 'E8.3', 'E7.3', 'E13.5', 'E15.7', 'E25.16', &
        'E11.4E3', 'E12.4E1', 'E10.3E4', 'E9.2E3', &
        '1PE12.4', '1PE13.5', '1PE17.8', '1PE16.8', '1PE13.8', '1PE10.3', &
        '1PE9.3', '1PE8.3', '1PE24.16', '1PE12.0', '1PE12.4E3', '1PE11.4E1', &
        'G12.4', 'G10.3', 'G8.2', 'G9.3', 'G15.6', 'G17.8', 'G6.2', 'G5.1', &
        '1PG13.5', '1PG12.4', '1PG10.3', '1PG17.8', '1PG8.2']

    ! Values written with every real descriptor: signs and zeros, rounding
    ! ties that are exact in binary, values just beside a rounding boundary,
    ! the limits of the fixed range of G, and the extremes of double precision.
    real(dp), parameter :: coreValues(*) = [real(dp) :: &
        0.0_dp, 1.0_dp, -1.0_dp, 0.5_dp, -0.5_dp, 0.125_dp, -0.125_dp, &
        0.375_dp, 2.5_dp, 3.5_dp, -2.5_dp, 0.0625_dp, 0.05_dp, 0.045_dp, &
        0.0004_dp, -0.0004_dp, -0.0005_dp, -0.0006_dp, 9.9995_dp, 9.99949_dp, &
        99.995_dp, 999.9996_dp, 9999.6_dp, 9999.4_dp, 0.099996_dp, &
        0.0999949_dp, 0.1_dp, 0.01_dp, 123.456_dp, -123.456_dp, &
        12345.678_dp, -98765.4321_dp, 1.5_dp, 25000.0_dp, 1.0e5_dp, &
        1234567.89_dp, 1.0e10_dp, -1.0e10_dp, 3.14159265358979_dp, &
        1.0e-5_dp, 1.2345e-3_dp, 1.0e15_dp, 1.0e-15_dp, 1.0e22_dp, 1.0e25_dp, &
        1.0e30_dp, -1.0e-30_dp, 1.0e60_dp, -1.0e-60_dp, 9.99999e98_dp, &
        1.0e99_dp, 1.0e100_dp, -1.234567e-100_dp, 1.0e-99_dp, 5.0e-101_dp, &
        1.0e-50_dp, 1.7976931348623157e308_dp, 2.2250738585072014e-308_dp]

    ! Descriptors swept over the magnitudes 1e-60 .. 1e60.
    character(len=12), parameter :: sweepDescs(*) = [character(len=12) :: &
        'F15.6', 'F9.3', 'E12.4', 'E10.3', '1PE12.4', '1PE17.8', 'G12.4', '1PG13.5']

    character(len=12), parameter :: generalDescs(*) = [character(len=12) :: &
        'G12.4', 'G10.3', 'G8.2', 'G15.6', 'G17.8', '1PG13.5', '1PG12.4']

    character(len=12), parameter :: intDescs(*) = [character(len=12) :: &
        'I5', 'I2.2', 'I3', 'I4', 'I10', 'I1', 'I2', 'I6.3', 'I3.3', 'I20']
    integer(int64), parameter :: intValues(*) = [integer(int64) :: &
        0, 1, -1, 7, -7, 42, 99, -99, 100, 999, -999, 1000, 9999, 12345, &
        -12345, 99999, 100000, 2147483647_int64, -2147483648_int64, &
        9223372036854775807_int64, -9223372036854775807_int64 - 1]

    character(len=12), parameter :: textDescs(*) = [character(len=12) :: &
        'A1', 'A2', 'A5', 'A8']
    character(len=7), parameter :: textValues(*) = [character(len=7) :: &
        'X', 'AB', 'HELLO', 'ABCDEFG']

    ! Report-row fields: the widths and decimals of the solvers and tables.
    integer, parameter :: fieldWidth(*) = [12, 9, 17, 13, 16, 19, 10]
    integer, parameter :: fieldDecimals(*) = [4, 4, 8, 8, 8, 5, 3]

    write (*, '(a)') '# Edit-descriptor results written by ' // compiler_version()
    write (*, '(a)') '# Regenerate with tools/fortran/make_format_table.sh; do not edit.'
    write (*, '(a)') '# descriptor  value (ES25.17E3)  |field|'

    do i = 1, size(realDescs)
        do j = 1, size(coreValues)
            call writeReal(realDescs(i), coreValues(j))
        end do
        call writeReal(realDescs(i), sign(0.0_dp, -1.0_dp))
        call writeReal(realDescs(i), ieee_value(x, ieee_positive_inf))
        call writeReal(realDescs(i), ieee_value(x, ieee_negative_inf))
        call writeReal(realDescs(i), ieee_value(x, ieee_quiet_nan))
    end do

    do i = 1, size(sweepDescs)
        do k = -60, 60
            x = 1.2345678901234_dp * 10.0_dp**k
            if (mod(k, 2) /= 0) x = -x
            call writeReal(sweepDescs(i), x)
        end do
    end do

    ! G chooses its form against rounding bounds 10^(x-1) (1 - 0.5 10^-d):
    ! each bound and its two neighbours.
    do i = 1, size(generalDescs)
        call writeGeneralBounds(generalDescs(i))
    end do

    ! Not-a-number and infinities in every narrow width.
    do w = 1, 10
        write (desc, '(a,i0,a)') 'F', w, '.0'
        call writeReal(desc, ieee_value(x, ieee_positive_inf))
        call writeReal(desc, ieee_value(x, ieee_negative_inf))
        call writeReal(desc, ieee_value(x, ieee_quiet_nan))
    end do

    do i = 1, size(intDescs)
        do j = 1, size(intValues)
            call writeInteger(intDescs(i), intValues(j))
        end do
    end do

    do i = 1, size(textDescs)
        do j = 1, size(textValues)
            call writeText(textDescs(i), trim(textValues(j)))
        end do
    end do
    do j = 1, size(textValues)
        call writeText('A', trim(textValues(j)))
    end do

    do i = 1, size(fieldWidth)
        call writeFieldCases(fieldWidth(i), fieldDecimals(i))
    end do

contains

    subroutine writeReal(descriptor, value)
        character(len=*), intent(in) :: descriptor
        real(dp), intent(in) :: value
        character(len=200) :: buffer
        write (buffer, '(' // trim(descriptor) // ',"|")') value
        call writeCase(descriptor, value, buffer)
    end subroutine

    subroutine writeGeneralBounds(descriptor)
        character(len=*), intent(in) :: descriptor
        real(dp) :: bound
        integer :: d, x
        d = digitsOf(descriptor)
        do x = 0, d + 1
            bound = 10.0_dp**(x - 1) * (1.0_dp - 0.5_dp / 10.0_dp**d)
            call writeReal(descriptor, bound)
            call writeReal(descriptor, nearest(bound, 1.0_dp))
            call writeReal(descriptor, -nearest(bound, -1.0_dp))
        end do
    end subroutine

    ! The d of a descriptor w.d.
    integer function digitsOf(descriptor)
        character(len=*), intent(in) :: descriptor
        read (descriptor(index(descriptor, '.') + 1:), *) digitsOf
    end function

    ! Writes the case line; the field is what precedes the closing bar.
    subroutine writeCase(descriptor, value, buffer)
        character(len=*), intent(in) :: descriptor, buffer
        real(dp), intent(in) :: value
        write (*, '(a,1x,es25.17e3,1x,a)') trim(descriptor), value, &
            '|' // buffer(1:index(buffer, '|', back=.true.))
    end subroutine

    subroutine writeInteger(descriptor, value)
        character(len=*), intent(in) :: descriptor
        integer(int64), intent(in) :: value
        character(len=200) :: buffer
        write (buffer, '(' // trim(descriptor) // ',"|")') value
        write (*, '(a,1x,i0,1x,a)') trim(descriptor), value, &
            '|' // buffer(1:index(buffer, '|', back=.true.))
    end subroutine

    subroutine writeText(descriptor, value)
        character(len=*), intent(in) :: descriptor, value
        character(len=200) :: buffer
        write (buffer, '(' // trim(descriptor) // ',"|")') value
        write (*, '(a,1x,a,1x,a)') trim(descriptor), value, &
            '|' // buffer(1:index(buffer, '|', back=.true.))
    end subroutine

    ! The report-row field cases for one width and number of decimals: the
    ! bounds of the fixed range and their neighbours, zeros and underflow,
    ! values around each power of ten, and the sweep of magnitudes.
    subroutine writeFieldCases(w, d)
        integer, intent(in) :: w, d
        real(dp) :: lo, hi, v
        integer :: p, s
        real(dp), parameter :: fixedValues(*) = [real(dp) :: &
            0.0_dp, 1.0e-60_dp, 9.9e-51_dp, 1.0e-50_dp, 1.1e-50_dp, 123.456_dp, &
            1.5_dp, 0.05_dp, 25000.0_dp, 0.5_dp, 0.011_dp, 0.0099_dp, 0.0011_dp, &
            9999.99999_dp, 99999.5_dp, 12345678.9_dp, 1.5e100_dp, 1.0e-99_dp, &
            3.14159265358979_dp, 2.5_dp, 0.125_dp]
        character(len=12) :: descriptor
        write (descriptor, '(a,i0,a,i0)') 'RF', w, '.', d
        lo = 10.0_dp**(3 - d)
        hi = 10.0_dp**d
        do s = 1, -1, -2
            call writeField(descriptor, w, d, sign(lo, real(s, dp)))
            call writeField(descriptor, w, d, sign(hi, real(s, dp)))
            call writeField(descriptor, w, d, s * nearest(lo, 1.0_dp))
            call writeField(descriptor, w, d, s * nearest(lo, -1.0_dp))
            call writeField(descriptor, w, d, s * nearest(hi, 1.0_dp))
            call writeField(descriptor, w, d, s * nearest(hi, -1.0_dp))
            do p = 1, size(fixedValues)
                call writeField(descriptor, w, d, s * fixedValues(p))
            end do
            do p = -12, 12
                v = s * 10.0_dp**p
                call writeField(descriptor, w, d, v)
                call writeField(descriptor, w, d, nearest(v, 1.0_dp))
                call writeField(descriptor, w, d, nearest(v, -1.0_dp))
                call writeField(descriptor, w, d, 4.321_dp * v)
            end do
        end do
        call writeField(descriptor, w, d, sign(0.0_dp, -1.0_dp))
    end subroutine

    subroutine writeField(descriptor, w, d, value)
        character(len=*), intent(in) :: descriptor
        integer, intent(in) :: w, d
        real(dp), intent(in) :: value
        character(len=200) :: buffer
        character(len=40) :: layout
        real(dp) :: lo, hi, magnitude
        integer :: k, decimals
        lo = 10.0_dp**(3 - d)
        hi = 10.0_dp**d
        magnitude = abs(value)
        if (value == 0.0_dp .or. magnitude < 1.0e-50_dp) then
            write (layout, '(a,i2,a,i2,a)') '(   1F', w, '.', d, ',"|")'
            write (buffer, layout) 0.0_dp
        else if (magnitude <= lo .or. magnitude >= hi) then
            write (layout, '(a,i2,a,i2,a)') '(1P,1E', w, '.', d, ',"|")'
            write (buffer, layout) value
        else
            k = int(log10(magnitude))
            if (k < 0) k = k - 1
            decimals = d - k
            if (decimals > d + 2) then
                write (layout, '(a,i2,a,i2,a)') '(1P,1E', w, '.', d, ',"|")'
            else
                write (layout, '(a,i2,a,i2,a)') '(   1F', w, '.', decimals, ',"|")'
            end if
            write (buffer, layout) value
        end if
        call writeCase(descriptor, value, buffer)
    end subroutine

end program format_table
