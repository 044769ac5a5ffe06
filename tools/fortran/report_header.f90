! SPDX-License-Identifier: Apache-2.0
! Writes the report header (banner, file-name block, date block) and the
! runtime-file banner of a run, for fixed file names and a fixed date, as the
! reference for the engine's header test. Regenerate with:
!   gfortran report_header.f90 -o /tmp/report_header && /tmp/report_header
! in tests/engine/data.
program report_header
  implicit none
  character(len=8) :: version = '8.0.0   '
  open(10, file='header_report.txt', status='replace')
  write(10, 100) version
  write(10, 110) '', '/data/other dir/', 'model.in', 'case.out', 'case.sum', &
       'case.plt', 'case.rtm'
  write(10, 120)
  write(10, 130) 'March', 7, 2026, 9, 5, 3
  close(10)
  open(11, file='header_runtime.txt', status='replace')
  write(11, 140) version
  close(11)
100 format(5X,73('='),//,20X,'  PYLORA for Windows, Version ',A8,//, &
       20X,'   Analysis of A Group of Piles ',/, &
       20X,'Subjected to Axial and Lateral Loading ',//,5X,73('='),//)
110 format(5X,'Path to file locations      : ',A,A,/, &
       5X,'Name of input data file     : ',A,/, &
       5X,'Name of output file         : ',A,/, &
       5X,'Name of output summary file : ',A,/, &
       5X,'Name of plot output file    : ',A,/, &
       5X,'Name of runtime file        : ',A,//)
120 format(5X,73('-'),/,26X,'Time and Date of Analysis',/,5X,73('-'))
130 format(15X,'Date:  ',A,' ',I2.2,', ',I4,5X,'Time:  ',I2.2,':',I2.2,':',I2.2)
140 format(/,10X,'  PYLORA for Windows, Version ',A8,/)
end program report_header
