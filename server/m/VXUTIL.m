VXUTIL ; VENTOR server helpers: numbers, words, dates, amounts
 Q
 ;
DIGITS(X) ; the digits of X
 Q $TR(X,$TR(X,"0123456789"))
 ;
NORM(X,AREA) ; a telephone number in any spelling as national digits with leading 0
 ; "030 / 123 45-6", "+49 30 123456", "0049 (0)30 123456" and, within the own area,
 ; "123456" all give "030123456"; foreign numbers keep their "00".
 N D
 S D=$$DIGITS(X) I D="" Q ""
 I $E(D,1,4)="0049" S D=$E(D,5,$L(D)) Q "0"_$S($E(D)="0":$E(D,2,$L(D)),1:D)
 I $E(D,1,2)="00" Q D
 I $E(D)="0" Q D
 I $E(D,1,2)="49",$L(D)>8 S D=$E(D,3,$L(D)) Q "0"_$S($E(D)="0":$E(D,2,$L(D)),1:D)
 S:$G(AREA)="" AREA=$G(^VXPAR("VORWAHL"))
 Q "0"_AREA_D
 ;
FOLD(X) ; upper case with umlauts spelled out, as the search expects (Mueller finds Mueller)
 S X=$TR(X,"abcdefghijklmnopqrstuvwxyz","ABCDEFGHIJKLMNOPQRSTUVWXYZ")
 S X=$TR(X,$C(224,225,226,192,193,194,232,233,234,200,201,202,231,199,241,209),"AAAAAAEEEEEECCNN")
 S X=$$REPL(X,$C(196),"AE"),X=$$REPL(X,$C(228),"AE")
 S X=$$REPL(X,$C(214),"OE"),X=$$REPL(X,$C(246),"OE")
 S X=$$REPL(X,$C(220),"UE"),X=$$REPL(X,$C(252),"UE")
 S X=$$REPL(X,$C(223),"SS")
 Q X
 ;
REPL(X,F,T) ; every F in X replaced by T
 N P S P=0
 F  S P=$F(X,F,P) Q:'P  S X=$E(X,1,P-$L(F)-1)_T_$E(X,P,$L(X)),P=P-$L(F)+$L(T)
 Q X
 ;
WORDS(X,W) ; the folded words of X (letters and digits) into W(word)
 N I,C,T
 S X=$$FOLD(X),T=""
 F I=1:1:$L(X)+1 S C=$E(X,I) D
 . I C?1U!(C?1N) S T=T_C Q
 . S:T'="" W(T)="" S T=""
 Q
 ;
DATE(H) ; German date of a $H day, "" for none
 Q $S(H="":"",1:$ZD(H,"DD.MM.YEAR"))
 ;
AMT(X) ; German amount with two decimals and thousands points
 Q $TR($FN(X,",",2),",.",".,")
 ;
HDAY(D) ; $H day of a server date text (years since 1900, month, day), "" when invalid
 N Y,M,T
 I D'?5.7N Q ""
 S T=$L(D),Y=$E(D,1,T-4)+1900,M=+$E(D,T-3,T-2),T=+$E(D,T-1,T)
 I M<1!(M>12)!(T<1)!(T>31) Q ""
 Q $$JDN(Y,M,T)-$$JDN(1840,12,31)
 ;
JDN(Y,M,D) ; Julian day number
 N A S A=14-M\12,Y=Y+4800-A,M=M+(12*A)-3
 Q D+((153*M+2)\5)+(365*Y)+(Y\4)-(Y\100)+(Y\400)-32045
 ;
FAIL(N,X) ; refuses a request with error N of the gateway's list
 S VXERR=N,VXERR("X")=$G(X)
 S $EC=",U"_N_","
 Q
 ;
CLEAN(X) ; a stored text made safe for a reply field
 Q $TR(X,"`"_$C(255)_$C(10)_$C(13),"'")
