VXGW ; VENTOR server gateway: one process per client connection, socket = $PRINCIPAL
 ; Frames in both directions: 4-byte big-endian length, then the payload (Windows-1252 bytes).
 ; Requests (fields separated by $C(0)):
 ;   H firma user password       credentials of the connection (sent again when they change)
 ;   X class command             Xecute of a command text of the routine catalogue
 ;   O class id                  open a stored object; fails when it does not exist
 ;   P class id member           read a member of a stored object
 ;   C class id method args...   class method
 ; Replies: "R" value, or "E" number $C(0) description.
 ; Client text is never executed: commands are parsed against the catalogue and the entry is
 ; called by name from this routine's own code.
 Q
 ;
START ; once per server start, before the listener opens
 D UPGRADE^VXTXT
 Q
 ;
SERVE ; the connection process
 N VXS,FIRMA,FIL,PERSONAL,REQ,ZL
 S VXS("AUTH")=0
 U $P:(NODELIMITER:ZNODELAY:IOERROR="TRAP")
 S ZL=$ZL
NEXT ; every request starts here, also after an error in a routine
 N $ET S $ET="D TRAP^VXGW ZG "_ZL_":NEXT^VXGW"
 F  S REQ=$$RDFRAME() Q:REQ=-1  S REQ=$$HANDLE(REQ) Q:REQ=-1  D SEND(REQ)
 HALT
 ;
TRAP ; an error inside a request: answer with its number and text, keep the connection
 I $D(VXS("IO")) HALT
 TROLLBACK:$TLEVEL
 N ST S ST=$ZSTATUS,$EC=""
 I $D(VXERR) D SEND($$ERR(VXERR,$G(VXERR("X")))) K VXERR Q
 D SEND("E"_+ST_$C(0)_$P(ST,",",3,9))
 Q
 ;
RDFRAME() ; the next request, or -1 when the connection ends or sends garbage
 N H,L,X
 S VXS("IO")=1
 S H=$$RDN(4,$$IDLE) I $L(H)<4 Q -1
 S L=$A(H,1)*16777216+($A(H,2)*65536)+($A(H,3)*256)+$A(H,4)
 I L<1!(L>$$MAXREQ) Q -1
 ; A client writes header and payload together: take what is there without arming a timer,
 ; wait only for a payload that is still on its way.
 R X#L:0 I $L(X)<L,'$ZEOF S X=X_$$RDN(L-$L(X),30)
 I $L(X)'=L Q -1
 K VXS("IO")
 Q X
 ;
RDN(L,T) ; exactly L bytes, fewer when the peer goes silent for T seconds or disconnects
 N X,H S X=""
 F  Q:$L(X)=L  R H#(L-$L(X)):T Q:H=""  S X=X_H Q:$ZEOF
 Q X
 ;
SEND(P) ; one frame, one write (a concatenation written directly goes out as two segments)
 N L S L=$L(P)
 S VXS("IO")=1
 S P=$C(L\16777216#256,L\65536#256,L\256#256,L#256)_P
 U $P W P
 K VXS("IO")
 Q
 ;
IDLE() Q 900 ; seconds a silent connection is kept
MAXREQ() Q 16384 ; largest request frame accepted
MAXREP() Q 32767 ; largest reply text the client can hold
 ;
HANDLE(REQ) ; request -> reply payload; -1 for a request that is no request (the connection ends)
 N T,F,R,N
 S T=$E(REQ),REQ=$E(REQ,2,$L(REQ)),N=$L(REQ,$C(0))
 F R=1:1:N S F(R)=$P(REQ,$C(0),R)
 I T="H",N=3 D HELLO(F(1),F(2),F(3)) Q "R"
 I T="X",N=2 Q $$XECUTE(F(1),F(2))
 I T="O",N=2 Q $$OPEN^VXOBJ(F(1),F(2))
 I T="P",N=3 Q $$PROP^VXOBJ(F(1),F(2),F(3))
 I T="C",N>2 Q $$METHOD^VXOBJ(F(1),F(2),F(3),.F)
 Q -1
 ;
HELLO(FI,US,PW) ; the credentials the connection works for
 S VXS("FIRMA")=FI,VXS("USER")=US,VXS("PW")=PW
 S VXS("AUTH")=$$LOGINOK^VXOBJ(FI,US,PW)
 S FIRMA=FI,FIL=0,PERSONAL=US
 Q
 ;
OK(V) ; a successful reply, cut at a record boundary when it exceeds the client's limit
 I $L(V)>$$MAXREP S V=$E(V,1,$$MAXREP),V=$P(V,$C(255),1,$L(V,$C(255))-1)_$C(255)
 Q "R"_V
 ;
ERR(N,X) ; an error reply with number and description
 Q "E"_N_$C(0)_$$ERRTXT(N)_$S($G(X)'="":": "_X,1:"")
 ;
ERRTXT(N) ;
 Q $P($T(ERRS+N),";",3)
ERRS ;
 ;;<SYNTAX> Befehl nicht erlaubt
 ;;<PROTECT> Benutzer nicht angemeldet oder nicht aktiv
 ;;<CLASS DOES NOT EXIST> Klasse unbekannt
 ;;<OBJECT DISPATCH> Objekt existiert nicht
 ;;<PROPERTY DOES NOT EXIST> Eigenschaft unbekannt
 ;;<METHOD DOES NOT EXIST> Methode unbekannt
 ;;<PROTECT> Anmeldung gilt nicht fuer diese Firma oder diesen Benutzer
 ;;<PROTOCOL> Anfrage unbekannt
 ;;<ILLEGAL VALUE> Ungueltiger Wert
 ;
XECUTE(CL,C) ; a command text on an object of class CL
 N E,A,N,RES
 I CL'="VX.Windows" Q $$ERR(3,CL)
 I C="D ^%XTT" Q "R"
 I $E(C,1,8)="S FIRMA=" Q $$ANNOUNCE(C)
 S E=$$PARSE(C,.A,.N) I E="" Q $$ERR(1,C)
 I 'VXS("AUTH") Q $$ERR(2)
 S RES=$$CALL(E,.A)
 Q $$OK(RES)
 ;
ANNOUNCE(C) ; S FIRMA=n,FIL=n,PERSONAL="code"
 N P,FI,FL,US,OK
 S P=9,OK=1
 S FI=$$NUM(C,.P) S:FI="" OK=0
 I OK,$E(C,P,P+4)=",FIL=" S P=P+5,FL=$$NUM(C,.P) S:FL="" OK=0
 E  S OK=0
 I OK,$E(C,P,P+9)=",PERSONAL=" S P=P+10 S OK=$$STR(C,.P,.US)
 E  S OK=0
 I 'OK!(P'=($L(C)+1)) Q $$ERR(1,C)
 I FI'=VXS("FIRMA")!(US'=VXS("USER")) Q $$ERR(7)
 S FIRMA=FI,FIL=FL,PERSONAL=US
 Q "R"
 ;
PARSE(C,A,N) ; the catalogue entry of a command text with its literal arguments in A(1..N), or ""
 N P,E,MAX,FN,TAIL
 K A S N=0
 I C?.E1C.E Q ""
 I $E(C,1,2)="D " S P=3,FN=0
 E  I $E(C,1,7)="S P0=$$" S P=8,FN=1
 E  Q ""
 S E=$$NAME(C,.P) I E="" Q ""
 S MAX=$$ARITY(E) I MAX<0 Q ""
 I $E(C,P,P+5)'="^RUFAP" Q ""
 S P=P+6
 I $E(C,P)="(" S P=P+1 I '$$ARGS(C,.P,.A,.N) Q ""
 I N>MAX Q ""
 S TAIL=$E(C,P,$L(C))
 I 'FN Q $S(TAIL="":E,1:"")
 I TAIL=" W:$F($ZV,""MSM"") P0"!(TAIL=" W:$F($ZV,""""MSM"""") P0")!(TAIL="") Q E
 Q ""
 ;
NAME(C,P) ; an entry name of capitals at P
 N S S S=P
 F  Q:$E(C,P)'?1U  S P=P+1
 Q $E(C,S,P-1)
 ;
ARGS(C,P,A,N) ; literal arguments up to the closing bracket; empty positions are allowed
 N OK,V
 I $E(C,P)=")" S P=P+1 Q 1
 S OK=1
 F  D  Q:'OK  Q:$E(C,P-1)=")"
 . I $E(C,P)="""" S OK=$$STR(C,.P,.V)
 . E  I $E(C,P)=","!($E(C,P)=")") S V=""
 . E  S V=$$NUM(C,.P) S:V="" OK=0
 . Q:'OK
 . S N=N+1,A(N)=V
 . I $E(C,P)=","!($E(C,P)=")") S P=P+1 Q
 . S OK=0
 Q OK
 ;
STR(C,P,V) ; a string literal with doubled quotes at P; 1 when well formed
 N Q
 S V="",P=P+1
 F  S Q=$F(C,"""",P) Q:'Q  S V=V_$E(C,P,Q-2),P=Q Q:$E(C,P)'=""""  S V=V_"""",P=P+1
 Q Q>0
 ;
NUM(C,P) ; a plain number at P, or ""
 N S S S=P
 S:$E(C,P)="-" P=P+1
 I $E(C,P)'?1N S P=S Q ""
 F  Q:$E(C,P)'?1N  S P=P+1
 I $E(C,P)=".",$E(C,P+1)?1N S P=P+1 F  Q:$E(C,P)'?1N  S P=P+1
 Q $E(C,S,P-1)
 ;
ARITY(E) ; highest number of arguments of a catalogue entry, -1 when it is none
 I '$D(VXS("CAT")) N L,I F I=1:1 S L=$T(CAT+I) Q:L=""  S VXS("CAT",$P(L,";",3))=+$P(L,";",4)
 Q $G(VXS("CAT",E),-1)
CAT ;
 ;;PARAM;0
 ;;TELSU;1
 ;;MIT;1
 ;;DPL;2
 ;;JOURADD;3
 ;;JOURGET;1
 ;;ZWAHL;0
 ;;ZWSET;1
 ;;ZWLOE;3
 ;;INT;0
 ;;TXTSU;1
 ;;OPSU;1
 ;
CALL(E,A) ; runs one catalogue entry by name; only names from the catalogue reach here
 I E="PARAM" Q $$PARAM^RUFAP()
 I E="TELSU" Q $$TELSU^RUFAP($G(A(1)))
 I E="MIT" Q $$MIT^RUFAP($G(A(1)))
 I E="DPL" Q $$DPL^RUFAP($G(A(1)),$G(A(2)))
 I E="JOURADD" Q $$JOURADD^RUFAP($G(A(1)),$G(A(2)),$G(A(3)))
 I E="JOURGET" Q $$JOURGET^RUFAP($G(A(1)))
 I E="ZWAHL" Q $$ZWAHL^RUFAP()
 I E="ZWSET" Q $$ZWSET^RUFAP($G(A(1)))
 I E="ZWLOE" Q $$ZWLOE^RUFAP($G(A(1)),$G(A(2)),$G(A(3)))
 I E="INT" Q $$INT^RUFAP()
 I E="TXTSU" Q $$TXTSU^RUFAP($G(A(1)))
 I E="OPSU" Q $$OPSU^RUFAP($G(A(1)))
 Q ""
