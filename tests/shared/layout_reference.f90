! Reference lines for the layout engine, written by the Fortran runtime itself.
!
!   gfortran -ffree-line-length-none -J /tmp tests/shared/layout_reference.f90 \
!       -o /tmp/layout_reference && /tmp/layout_reference tests/data/layout_reference.txt
!
! Every case starts with a marker "@@" that carries what the C++ test needs to
! repeat it, fields separated by tabs:
!   @@W <layout> <value>...      then the text written by the layout
!   @@R <count> <layout> <line>  then "=" and the values read, or "=error"
!   @@M <count> <layout> <line>... (several records) the same, or "=end"
!   @@F <line>                   then "=" and a free-form integer and real (or "error")
! A value is i<integer>, r<real(4)>, d<real(8)> (printed with enough digits to
! give back the same binary value) or a<text>. A write that ends in $ leaves
! the next marker on its line, so the text of such a case has no end of line.
module refio
    implicit none
    integer, parameter :: u = 10
    character(len=1), parameter :: tab = achar(9)
contains
    function fi(i) result(s)
        integer, intent(in) :: i
        character(len=:), allocatable :: s
        character(len=40) :: b
        write (b, '(i0)') i
        s = tab//'i'//trim(b)
    end function
    function fr(x) result(s)
        real(4), intent(in) :: x
        character(len=:), allocatable :: s
        character(len=40) :: b
        write (b, '(es16.8e3)') x
        s = tab//'r'//trim(adjustl(b))
    end function
    function fd(x) result(s)
        real(8), intent(in) :: x
        character(len=:), allocatable :: s
        character(len=40) :: b
        write (b, '(es25.17e3)') x
        s = tab//'d'//trim(adjustl(b))
    end function
    function fa(t) result(s)
        character(len=*), intent(in) :: t
        character(len=:), allocatable :: s
        s = tab//'a'//t
    end function
    subroutine mw(f, vals)
        character(len=*), intent(in) :: f, vals
        write (u, '(a)') '@@W'//tab//trim(f)//vals
    end subroutine
    subroutine mr(n, f, line)
        integer, intent(in) :: n
        character(len=*), intent(in) :: f, line
        write (u, '(a,i0,a)') '@@R'//tab, n, tab//trim(f)//tab//line
    end subroutine
    subroutine res(ios, vals)
        integer, intent(in) :: ios
        character(len=*), intent(in) :: vals
        if (ios > 0) then
            write (u, '(a)') '=error'
        else if (ios < 0) then
            write (u, '(a)') '=end'
        else
            write (u, '(a)') '='//vals
        end if
    end subroutine
end module

program layout_reference
    use refio
    use, intrinsic :: ieee_arithmetic
    implicit none
    character(len=200) :: f
    character(len=256) :: outname
    integer :: k

    call get_command_argument(1, outname)
    if (len_trim(outname) == 0) outname = 'layout_reference.txt'
    open (u, file=trim(outname), status='replace', action='write')

    call integers()
    call reals_rounding()
    call reals_zero_and_sign()
    call reals_overflow()
    call reals_special()
    call texts()
    call moves()
    call records()
    call quoted()
    call groups_and_reversion()
    call reads()
    call multi_record_reads()
    call free_form_reads()
    close (u)

contains

    subroutine integers()
        f = '(i5)'
        call mw(f, fi(42)); write (u, f) 42
        call mw(f, fi(-123)); write (u, f) -123
        f = '(i3)'
        call mw(f, fi(-123)); write (u, f) -123
        call mw(f, fi(1000)); write (u, f) 1000
        call mw(f, fi(-99)); write (u, f) -99
        f = '(i2)'
        call mw(f, fi(-10)); write (u, f) -10
        f = '(i1)'
        call mw(f, fi(0)); write (u, f) 0
        f = '(i5.3)'
        call mw(f, fi(-7)); write (u, f) -7
        f = '(i5.0)'
        call mw(f, fi(0)); write (u, f) 0
        f = '(3i4)'
        call mw(f, fi(1)//fi(-22)//fi(333)); write (u, f) 1, -22, 333
        f = '(i11)'
        call mw(f, fi(-2147483647 - 1)); write (u, f) -2147483647 - 1
        f = '(I5,2X,I3)'
        call mw(f, fi(7)//fi(8)); write (u, f) 7, 8
    end subroutine

    subroutine reals_rounding()
        ! exact ties: the binary value is exactly halfway
        f = '(f5.2)'
        call mw(f, fr(0.125)); write (u, f) 0.125
        call mw(f, fd(0.125d0)); write (u, f) 0.125d0
        call mw(f, fr(0.375)); write (u, f) 0.375
        call mw(f, fr(-0.125)); write (u, f) -0.125
        f = '(f3.0)'
        call mw(f, fr(2.5)); write (u, f) 2.5
        call mw(f, fr(3.5)); write (u, f) 3.5
        call mw(f, fr(0.5)); write (u, f) 0.5
        call mw(f, fr(-2.5)); write (u, f) -2.5
        f = '(f8.0)'
        call mw(f, fr(1234.5)); write (u, f) 1234.5
        call mw(f, fr(1235.5)); write (u, f) 1235.5
        f = '(f8.1)'
        call mw(f, fr(0.25)); write (u, f) 0.25
        ! not ties: the nearest binary value lies below or above the half
        call mw(f, fr(0.35)); write (u, f) 0.35
        call mw(f, fd(0.35d0)); write (u, f) 0.35d0
        call mw(f, fr(0.05)); write (u, f) 0.05
        call mw(f, fr(0.45)); write (u, f) 0.45
        f = '(f8.3)'
        call mw(f, fr(1.0005)); write (u, f) 1.0005
        call mw(f, fd(1.0005d0)); write (u, f) 1.0005d0
        call mw(f, fd(2.0005d0)); write (u, f) 2.0005d0
        call mw(f, fr(-9.99)); write (u, f) -9.99
        f = '(f9.4)'
        call mw(f, fr(-9.99)); write (u, f) -9.99
        f = '(f6.2)'
        call mw(f, fr(5.555)); write (u, f) 5.555
        call mw(f, fd(5.555d0)); write (u, f) 5.555d0
        f = '(f40.30)'
        call mw(f, fr(0.1)); write (u, f) 0.1
        call mw(f, fd(0.1d0)); write (u, f) 0.1d0
        f = '(f50.3)'
        call mw(f, fr(1.0e30)); write (u, f) 1.0e30
        f = '(f7.0,f6.0)'
        call mw(f, fr(1950.0)//fr(-1.0)); write (u, f) 1950.0, -1.0
        f = '(f8.3)'
        call mw(f, fr(1.0e-30)); write (u, f) 1.0e-30
        f = '(F10.4,F7.1)'
        call mw(f, fd(3.14159265358979d0)//fr(-12.25)); write (u, f) 3.14159265358979d0, -12.25
    end subroutine

    subroutine reals_zero_and_sign()
        f = '(f6.2)'
        call mw(f, fr(-0.001)); write (u, f) -0.001
        call mw(f, fr(-0.005)); write (u, f) -0.005
        call mw(f, fr(-0.0)); write (u, f) -0.0
        call mw(f, fr(0.0)); write (u, f) 0.0
        call mw(f, fr(0.004)); write (u, f) 0.004
        ! the leading zero gives way only in a field too narrow for it
        f = '(f4.2)'
        call mw(f, fr(0.5)); write (u, f) 0.5
        call mw(f, fr(-0.5)); write (u, f) -0.5
        f = '(f3.2)'
        call mw(f, fr(0.5)); write (u, f) 0.5
        call mw(f, fr(-0.5)); write (u, f) -0.5
        f = '(f5.2)'
        call mw(f, fr(-0.5)); write (u, f) -0.5
        f = '(f2.1)'
        call mw(f, fr(0.04)); write (u, f) 0.04
        call mw(f, fr(0.0)); write (u, f) 0.0
        f = '(f3.1)'
        call mw(f, fr(-0.04)); write (u, f) -0.04
        f = '(f4.1)'
        call mw(f, fr(-0.04)); write (u, f) -0.04
        ! fW.0 keeps its point, and a zero before it
        f = '(f2.0)'
        call mw(f, fr(0.0)); write (u, f) 0.0
        call mw(f, fr(0.4)); write (u, f) 0.4
        call mw(f, fr(-0.4)); write (u, f) -0.4
        f = '(f1.0)'
        call mw(f, fr(0.0)); write (u, f) 0.0
        f = '(f3.0)'
        call mw(f, fr(-0.4)); write (u, f) -0.4
        call mw(f, fr(-0.5)); write (u, f) -0.5
    end subroutine

    subroutine reals_overflow()
        f = '(f5.2)'
        call mw(f, fr(123.456)); write (u, f) 123.456
        call mw(f, fr(99.999)); write (u, f) 99.999
        call mw(f, fr(99.994)); write (u, f) 99.994
        call mw(f, fr(99.995)); write (u, f) 99.995
        call mw(f, fd(99.995d0)); write (u, f) 99.995d0
        call mw(f, fd(99.99499999d0)); write (u, f) 99.99499999d0
        call mw(f, fr(-9.999)); write (u, f) -9.999
        call mw(f, fr(-9.99)); write (u, f) -9.99
        f = '(f12.3)'
        call mw(f, fr(1.0e10)); write (u, f) 1.0e10
        f = '(f4.1)'
        call mw(f, fr(-9.96)); write (u, f) -9.96
        call mw(f, fr(-9.94)); write (u, f) -9.94
        f = '(2f6.3)'
        call mw(f, fr(12.3456)//fr(-1.5)); write (u, f) 12.3456, -1.5
    end subroutine

    subroutine reals_special()
        real(4) :: pinf, ninf, qnan
        pinf = ieee_value(pinf, ieee_positive_inf)
        ninf = ieee_value(ninf, ieee_negative_inf)
        qnan = ieee_value(qnan, ieee_quiet_nan)
        f = '(f8.3,f9.0,f5.1,f4.0,f3.0,f2.0)'
        call mw(f, fr(pinf)//fr(ninf)//fr(pinf)//fr(ninf)//fr(pinf)//fr(pinf))
        write (u, f) pinf, ninf, pinf, ninf, pinf, pinf
        f = '(f8.3,f3.0,f2.0)'
        call mw(f, fr(qnan)//fr(qnan)//fr(qnan))
        write (u, f) qnan, qnan, qnan
    end subroutine

    subroutine texts()
        f = '(a5)'
        call mw(f, fa('ab')); write (u, f) 'ab'
        f = '(a2)'
        call mw(f, fa('abcde')); write (u, f) 'abcde'
        f = '(a)'
        call mw(f, fa('ab  ')); write (u, f) 'ab  '
        call mw(f, fa('')); write (u, f) ''
        f = '(a8,i4,1x,a)'
        call mw(f, fa('wa129001')//fi(1850)//fa('x y')); write (u, f) 'wa129001', 1850, 'x y'
        f = '(1x,a6,a)'
        call mw(f, fa('abcdef')//fa('!')); write (u, f) 'abcdef', '!'
    end subroutine

    subroutine moves()
        ! nX and tN at the end of a record add no blanks
        f = '(i3,5x)'
        call mw(f, fi(1)); write (u, f) 1
        f = '(i3,t10)'
        call mw(f, fi(1)); write (u, f) 1
        f = '(i3,t10,a)'
        call mw(f, fi(1)//fa('x')); write (u, f) 1, 'x'
        f = '(i3,5x,''q'')'
        call mw(f, fi(1)); write (u, f) 1
        ! backwards: written columns are overwritten, skipped ones stay
        f = '(''abcdefghij'',t3,''XY'',t15,''Z'')'
        call mw(f, ''); write (u, f)
        f = '(''abcdefghij'',tl3,''XY'',tr2,''Z'')'
        call mw(f, ''); write (u, f)
        f = '(''abcdef'',t2,2x,''Z'')'
        call mw(f, ''); write (u, f)
        f = '(''abc'',t7,''Z'',t2,''Y'')'
        call mw(f, ''); write (u, f)
        f = '(''ab'',5x,''cd'',t3,''x'')'
        call mw(f, ''); write (u, f)
        f = '(''abcdefgh'',t3,3x,t2,''Z'')'
        call mw(f, ''); write (u, f)
        f = '(''abc'',5x,tl2,''Z'')'
        call mw(f, ''); write (u, f)
        f = '(t2,''ab'',t27,3x,2i5,t47,a)'
        call mw(f, fi(1)//fi(2)//fa('z')); write (u, f) 1, 2, 'z'
        f = '(t2,i5,2x,a8,i6,2i7,2f8.3)'
        call mw(f, fi(12)//fa('abc12345')//fi(1901)//fi(1999)//fi(99)//fr(1.2345)//fr(-0.25))
        write (u, f) 12, 'abc12345', 1901, 1999, 99, 1.2345, -0.25
    end subroutine

    subroutine records()
        f = '(/,''a'',/)'
        call mw(f, ''); write (u, f)
        f = '(//)'
        call mw(f, ''); write (u, f)
        f = '()'
        call mw(f, ''); write (u, f)
        f = '(i3)'
        call mw(f, ''); write (u, f)
        f = '(/1x,''title of data:''/1x,a)'
        call mw(f, fa('my title')); write (u, f) 'my title'
        f = '(i3,/)'
        call mw(f, fi(1)//fi(2)); write (u, f) 1, 2
        f = '(''x'',$)'
        call mw(f, ''); write (u, f)
        f = '(13x,''to > '',$)'
        call mw(f, ''); write (u, f)
        f = '(i3,$)'
        call mw(f, fi(1)//fi(2)); write (u, f) 1, 2
        ! a $ that is never reached leaves the end of line in place
        f = '(i3,i3,$)'
        call mw(f, fi(1)); write (u, f) 1
        f = '(i3,/,$)'
        call mw(f, fi(1)); write (u, f) 1
        f = '(i3,:,''a'')'
        call mw(f, fi(1)); write (u, f) 1
        call mw(f, fi(1)//fi(2)); write (u, f) 1, 2
        f = '(/,i6)'
        call mw(f, fi(5)); write (u, f) 5
        ! blanks outside quoted text do not count; x alone is one blank
        f = '( i5 , 2x , f8.3 )'
        call mw(f, fi(5)//fr(2.5)); write (u, f) 5, 2.5
        f = '(i2,x,i2)'
        call mw(f, fi(5)//fi(6)); write (u, f) 5, 6
    end subroutine

    subroutine quoted()
        f = '(''it''''s'',a)'
        call mw(f, fa('o"k')); write (u, f) 'o"k'
        f = '("q""q",''r''''r'')'
        call mw(f, ''); write (u, f)
        f = '("it''s",1x,''say "hi"'')'
        call mw(f, ''); write (u, f)
        ! no comma between quoted text and the next item
        f = '(/1x,''*** log file not found:  ''a)'
        call mw(f, fa('x.log')); write (u, f) 'x.log'
        f = '(i3,1x,"a"a)'
        call mw(f, fi(1)//fa('b')); write (u, f) 1, 'b'
    end subroutine

    subroutine groups_and_reversion()
        character(len=:), allocatable :: vals
        real(4) :: x(25)
        integer :: n(25)
        f = '(i3,''x'')'
        call mw(f, fi(1)//fi(2)//fi(3)); write (u, f) 1, 2, 3
        ! writing stops at the first item without a value; text before it is written
        f = '(i3,2x,''abc'',i3,''z'')'
        call mw(f, fi(1)); write (u, f) 1
        f = '(3i3)'
        call mw(f, fi(1)//fi(2)); write (u, f) 1, 2
        call mw(f, fi(1)//fi(2)//fi(3)//fi(4)); write (u, f) 1, 2, 3, 4
        f = '(2f5.1)'
        call mw(f, fr(1.0)//fr(2.0)//fr(3.0)); write (u, f) 1.0, 2.0, 3.0
        ! reversion to the last top-level group, with its repeat count
        f = '(i2,2(i3,''-''),i2)'
        vals = ''
        do k = 1, 9
            vals = vals//fi(k)
        end do
        call mw(f, vals); write (u, f) (k, k=1, 9)
        call mw(f, fi(1)//fi(2)//fi(3)//fi(4)//fi(5)//fi(6)); write (u, f) 1, 2, 3, 4, 5, 6
        f = '((i2,''a''),''b'',(i3,''c''))'
        call mw(f, fi(1)//fi(2)//fi(3)//fi(4)); write (u, f) 1, 2, 3, 4
        f = '(i2,3(1x,2(i2,''x'')),''e'')'
        vals = ''
        do k = 1, 11
            vals = vals//fi(k)
        end do
        call mw(f, vals); write (u, f) (k, k=1, 11)
        f = '(2(2x,i8),t23,a)'
        call mw(f, fi(120)//fi(1850)//fa('(10f8.3)')); write (u, f) 120, 1850, '(10f8.3)'
        f = '(a6,i4,10(i4,i3),2x,a)'
        vals = fa('abc001')//fi(1900)
        do k = 1, 4
            vals = vals//fi(100*k)//fi(k)
        end do
        call mw(f, vals); write (u, f) 'abc001', 1900, (100*k, k, k=1, 4)
        f = '((10x,10(f4.2,i3)))'
        vals = ''
        do k = 1, 25
            x(k) = 0.37*k
            n(k) = k
            vals = vals//fr(x(k))//fi(n(k))
        end do
        call mw(f, vals); write (u, f) (x(k), n(k), k=1, 25)
        f = '(i6,5f8.4)'
        call mw(f, fi(1901)//fr(0.5)//fr(-9.99)//fr(1.23456)); write (u, f) 1901, 0.5, -9.99, 1.23456
        f = '(1x,i6,a,f5.0,3(a,f8.3))'
        call mw(f, fi(1950)//fa('|')//fr(12.0)//fa('|')//fr(1.5)//fa('|')//fr(-0.75))
        write (u, f) 1950, '|', 12.0, '|', 1.5, '|', -0.75
        f = '(''  year  #'',i4,999(5x,i3))'
        call mw(f, fi(3)//fi(1)//fi(2)//fi(3)); write (u, f) 3, 1, 2, 3
        f = '(t3,a8,1x,4f7.3)'
        call mw(f, fa('crn')//fr(1.0)//fr(0.999)//fr(-0.0004)//fr(12.5)//fa('next')//fr(2.0))
        write (u, f) 'crn', 1.0, 0.999, -0.0004, 12.5, 'next', 2.0
    end subroutine

    subroutine reads()
        integer :: ios, i1, i2, i3
        real(4) :: r1, r2, r3
        character(len=8) :: c8
        character(len=6) :: c6
        character(len=3) :: c3
        character(len=:), allocatable :: ln
        integer :: j
        character(len=5) :: int_fields(10), real_fields(22)
        int_fields = [character(len=5) :: ' 1 2 ', '     ', '  -12', '- 1 2', '+7   ', '1.5  ', 'a1   ', &
                      '1-2  ', '-    ', '12345']
        real_fields = [character(len=5) :: ' 1 2 ', '     ', '  -12', '- 1 2', '+7   ', '1.5  ', '12e1 ', &
                       '  1d2', '1 e 1', '   .5', '1+1  ', ' 1-1 ', '12345', '1.e1 ', '-.0  ', '1.5E1', &
                       '1.2.3', 'a1   ', '1e   ', '1,2  ', '.    ', '-    ']
        do j = 1, size(int_fields)
            call mr(1, '(i5)', int_fields(j))
            read (int_fields(j), '(i5)', iostat=ios) i1
            call res(ios, fi(i1))
        end do
        do j = 1, size(real_fields)
            call mr(1, '(f5.2)', real_fields(j))
            read (real_fields(j), '(f5.2)', iostat=ios) r1
            call res(ios, fr(r1))
        end do
        do j = 1, size(real_fields)
            call mr(1, '(f5.0)', real_fields(j))
            read (real_fields(j), '(f5.0)', iostat=ios) r1
            call res(ios, fr(r1))
        end do
        ! a line shorter than its fields: the rest reads as blanks
        ln = '  12  abc'
        call mr(3, '(i4,2x,a8,i6)', ln)
        read (ln, '(i4,2x,a8,i6)', iostat=ios) i1, c8, i2
        call res(ios, fi(i1)//fa(c8)//fi(i2))
        ln = 'wa1291850 199'
        call mr(3, '(a6,2i4)', ln)
        read (ln, '(a6,2i4)', iostat=ios) c6, i1, i2
        call res(ios, fa(c6)//fi(i1)//fi(i2))
        ln = '       120      1850  (10f8.3)'
        call mr(3, '(2(2x,i8),t23,a)', ln)
        read (ln, '(2(2x,i8),t23,a)', iostat=ios) i1, i2, c8
        call res(ios, fi(i1)//fi(i2)//fa(c8))
        ln = '1234567'
        call mr(2, '(t5,i2,t1,i2)', ln)
        read (ln, '(t5,i2,t1,i2)', iostat=ios) i1, i2
        call res(ios, fi(i1)//fi(i2))
        call mr(2, '(i2,3x,i2)', ln)
        read (ln, '(i2,3x,i2)', iostat=ios) i1, i2
        call res(ios, fi(i1)//fi(i2))
        call mr(2, '(tr2,i1,tl3,i1)', ln)
        read (ln, '(tr2,i1,tl3,i1)', iostat=ios) i1, i2
        call res(ios, fi(i1)//fi(i2))
        ln = '  1901  0.5000 -9.9900  1.2346'
        call mr(3, '(6x,3f8.4)', ln)
        read (ln, '(6x,3f8.4)', iostat=ios) r1, r2, r3
        call res(ios, fr(r1)//fr(r2)//fr(r3))
        ln = '          1234  5 12 1   98 12'
        call mr(6, '((10x,10(f4.2,i3)))', ln)
        read (ln, '((10x,10(f4.2,i3)))', iostat=ios) r1, i1, r2, i2, r3, i3
        call res(ios, fr(r1)//fi(i1)//fr(r2)//fi(i2)//fr(r3)//fi(i3))
        ln = 'x   1  2'
        call mr(3, '(A1,2I3)', ln)
        read (ln, '(A1,2I3)', iostat=ios) c3(1:1), i1, i2
        call res(ios, fa(c3(1:1))//fi(i1)//fi(i2))
        ln = ' 1.5e2 -3.0d-1'
        call mr(2, '(e6.1,d8.2)', ln)
        read (ln, '(e6.1,d8.2)', iostat=ios) r1, r2
        call res(ios, fr(r1)//fr(r2))
        ln = '12 x'
        call mr(2, '(i2,i2)', ln)
        read (ln, '(i2,i2)', iostat=ios) i1, i2
        call res(ios, fi(i1)//fi(i2))
    end subroutine

    subroutine multi_record_reads()
        character(len=16) :: lines(3)
        integer :: ios, v(7), i1, i2
        lines = [character(len=16) :: '   1   2   3', '   4   5   6', '   7   8   9']
        write (u, '(a)') '@@M'//tab//'7'//tab//'(3i4)'//tab//trim(lines(1))//tab//trim(lines(2))//tab//trim(lines(3))
        read (lines, '(3i4)', iostat=ios) v
        call res(ios, fi(v(1))//fi(v(2))//fi(v(3))//fi(v(4))//fi(v(5))//fi(v(6))//fi(v(7)))
        write (u, '(a)') '@@M'//tab//'2'//tab//'(i4,/,i4)'//tab//trim(lines(1))//tab//trim(lines(2))//tab//trim(lines(3))
        read (lines, '(i4,/,i4)', iostat=ios) i1, i2
        call res(ios, fi(i1)//fi(i2))
        write (u, '(a)') '@@M'//tab//'4'//tab//'(i4,(2i4))'//tab//trim(lines(1))//tab//trim(lines(2))//tab//trim(lines(3))
        read (lines, '(i4,(2i4))', iostat=ios) v(1:4)
        call res(ios, fi(v(1))//fi(v(2))//fi(v(3))//fi(v(4)))
        ! the input ends before the values do
        write (u, '(a)') '@@M'//tab//'7'//tab//'(3i4)'//tab//trim(lines(1))//tab//trim(lines(2))
        read (lines(1:2), '(3i4)', iostat=ios) v
        call res(ios, fi(v(1)))
    end subroutine

    subroutine free_form_reads()
        integer :: j, ios1, ios2, k1
        real(4) :: r1
        character(len=:), allocatable :: si, sr
        character(len=12) :: lines(19)
        lines = [character(len=12) :: '12', ' -3 ', '+7,8', '1,,2', '7 / 8', '1.5', '1e2', '1.5d1', '-.5', &
                 '5.', '1+2', '.', '-', 'e2', 'abc', '12x', '1.5e', '2147483648', '  0.125  4']
        do j = 1, size(lines)
            write (u, '(a)') '@@F'//tab//trim(lines(j))
            read (lines(j), *, iostat=ios1) k1
            read (lines(j), *, iostat=ios2) r1
            si = tab//'error'
            if (ios1 == 0) si = fi(k1)
            sr = tab//'error'
            if (ios2 == 0) sr = fr(r1)
            write (u, '(a)') '='//si//sr
        end do
    end subroutine

end program
