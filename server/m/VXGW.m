VXGW ; VENTOR server gateway: a connection's requests, in a process of the pool (VXPOOL)
 ; Frames in both directions: 4-byte big-endian length, then the payload (Windows-1252 bytes).
 ; Requests (fields separated by $C(0)):
 ;   H firma user password       a login: the reply carries a session token when it succeeded
 ;   T firma user token          a login with the token of an earlier one instead of the password
 ;   X class command             Xecute of a command text of the routine catalogue
 ;   O class id                  open a stored object; fails when it does not exist
 ;   P class id member           read a member of a stored object
 ;   C class id method args...   class method
 ; Replies: "R" value, or "E" number $C(0) description.
 ; Client text is never executed: commands are parsed against the catalogue (CAT) and the entry
 ; is called from this routine with the parsed arguments as values.
 Q
 ;
START ; once per server start, before the listener opens
 D UPGRADE^VXTXT,UPGRADE^VXSEC
 Q
 ;
SERVE(DEV) ; the connection process: serves the client on socket device DEV until it leaves
 N VXS,FIRMA,FIL,PERSONAL,REQ,ZL
 S VXS("AUTH")=0,VXS("DEV")=DEV
 U DEV
 S VXS("PEER")=$$PLAIN^VXPOOL($ZSOCKET(DEV,"REMOTEADDRESS",0))
 S VXS("IDLE")=$$IDLE,VXS("FRAME")=$$CONF^VXSEC("FRAME",10),VXS("REARM")=0
 I '$$ADMIT^VXSEC D REFUSE Q
 S ZL=$ZL
NEXT ; every request starts here, also after an error in a routine
 N $ET S $ET="D TRAP^VXGW ZG "_ZL_":NEXT^VXGW"
 F  S REQ=$$RDFRAME() Q:REQ=-1  S REQ=$$HANDLE(REQ) Q:REQ=-1  D SEND(REQ)
 Q
 ;
TRAP ; an error inside a request: answer with its number and text, keep the connection
 I $D(VXS("IO")) HALT
 TROLLBACK:$TLEVEL
 D UNLOCK^VXSEC
 N ST S ST=$ZSTATUS,$EC=""
 I $D(VXERR) D SEND($$ERR(VXERR,$G(VXERR("X")))) K VXERR Q
 D SEND("E"_+ST_$C(0)_$P(ST,",",3,9))
 Q
 ;
REFUSE ; a connection over the caps gets one refusal, as the answer to its first request
 N X
 D LOG^VXSEC("connection refused: too many connections")
 S VXS("IO")=1,X=$$RDN(4,$$NOW^VXSEC+5)
 D SEND($$ERR(10))
 Q
 ;
RDFRAME() ; the next request, or -1 when the connection ends, stays silent or sends garbage
 ; A silent connection is closed after VENTOR_IDLE seconds; a frame once begun has to be
 ; complete within VENTOR_FRAME seconds, however slowly its bytes trickle in. A peer that stops
 ; reading leaves a reply write hanging: the process timer ends that connection.
 N H,L,X,DL
 ; The timer is set again at most once in VENTOR_FRAME seconds: at the start of a cycle it
 ; always leaves the idle wait, a whole frame and another VENTOR_FRAME for the reply.
 I $ZUT>VXS("REARM") S $ZTIMEOUT=VXS("IDLE")+(3*VXS("FRAME"))_":D STUCK^VXGW",VXS("REARM")=$ZUT+(VXS("FRAME")*1000000)
 S VXS("IO")=1
 ; Under load the next request is often there already: only an empty socket arms the idle timer.
 R H#4:0 I H="",'$ZEOF S H=$$RDN(1,$$NOW^VXSEC+VXS("IDLE")) I H="" D:'$ZEOF LOG^VXSEC("idle connection closed") Q -1
 ; The rest of a header that came together is read without a timeout: GT.M's timed read costs
 ; a timer and its signal masks even when the bytes are there (a tenth of a round trip).
 I $L(H)<4,'$ZEOF R X#(4-$L(H)):0 S H=H_X
 I $L(H)<4,'$ZEOF S DL=$$NOW^VXSEC+VXS("FRAME"),H=H_$$RDN(4-$L(H),DL)
 I $L(H)<4 D:'$ZEOF LOG^VXSEC("slow frame, connection closed") Q -1
 S L=$A(H,1)*16777216+($A(H,2)*65536)+($A(H,3)*256)+$A(H,4)
 I L<1!(L>$$MAXREQ) Q -1
 ; A client writes header and payload together: take what is there without arming a timer,
 ; wait only for a payload that is still on its way.
 R X#L:0 I $L(X)<L,'$ZEOF S:'$D(DL) DL=$$NOW^VXSEC+VXS("FRAME") S X=X_$$RDN(L-$L(X),DL)
 I $L(X)'=L D:'$ZEOF LOG^VXSEC("slow frame, connection closed") Q -1
 K VXS("IO")
 Q X
 ;
STUCK ; a request cycle that outlived every limit: the peer does not take its reply
 D LOG^VXSEC("peer does not read, connection closed")
 HALT
 ;
RDN(L,DL) ; exactly L bytes, fewer when the deadline DL passes or the peer disconnects
 N X,H,T S X=""
 F  Q:$L(X)=L  S T=DL-$$NOW^VXSEC Q:T'>0  R H#(L-$L(X)):T Q:H=""  S X=X_H Q:$ZEOF
 Q X
 ;
SEND(P) ; one frame, one write (a concatenation written directly goes out as two segments)
 N L S L=$L(P)
 S VXS("IO")=1
 S P=$C(L\16777216#256,L\65536#256,L\256#256,L#256)_P
 U VXS("DEV") W P
 K VXS("IO")
 Q
 ;
IDLE() Q $$CONF^VXSEC("IDLE",300) ; seconds a silent connection is kept
MAXREQ() Q 16384 ; largest request frame accepted
MAXREP() Q 32767 ; largest reply text the client can hold
 ;
HANDLE(REQ) ; request -> reply payload; -1 for a request that is no request (the connection ends)
 N T,F,R,N
 S T=$E(REQ),REQ=$E(REQ,2,$L(REQ)),N=$L(REQ,$C(0))
 F R=1:1:N S F(R)=$P(REQ,$C(0),R)
 I T="H",N=3 Q "R"_$$HELLO(F(1),F(2),F(3))
 I T="T",N=3 Q $$RESUME(F(1),F(2),F(3))
 I T="X",N=2 Q $$XECUTE(F(1),F(2))
 I T="O",N=2 Q $$OPEN^VXOBJ(F(1),F(2))
 I T="P",N=3 Q $$PROP^VXOBJ(F(1),F(2),F(3))
 I T="C",N>2 Q $$METHOD^VXOBJ(F(1),F(2),F(3),.F)
 Q -1
 ;
HELLO(FI,US,PW) ; a login; the session token when it succeeded, "" when it was refused
 ; Whatever goes wrong on the way, the connection is logged out until the end of the check.
 D LOGOUT
 I $$LOGIN^VXSEC(FI,US,PW) S VXS("AUTH")=1,VXS("PW")=PW
 S VXS("FIRMA")=FI,VXS("USER")=US,FIRMA=FI,FIL=0,PERSONAL=US
 Q $S(VXS("AUTH"):$$NEWSESS^VXSEC(FI,US),1:"")
 ;
RESUME(FI,US,TOK) ; a new connection of a logged-in user, with its session token
 D LOGOUT
 I '$$RESUME^VXSEC(FI,US,TOK) Q $$ERR(2)
 S VXS("FIRMA")=FI,VXS("USER")=US,FIRMA=FI,FIL=0,PERSONAL=US,VXS("AUTH")=1
 Q "R"_TOK
 ;
LOGOUT ; the connection forgets its login
 S VXS("AUTH")=0,(FIRMA,FIL,PERSONAL)=""
 K VXS("FIRMA"),VXS("USER"),VXS("PW"),VXS("LOCKED")
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
 ;;<LICENSE LIMIT> Zu viele Verbindungen, bitte später noch einmal versuchen
 ;;<JOURNAL> Schreiben nicht möglich: das Journal ist ausgeschaltet (Plattenplatz?)
 ;
XECUTE(CL,C) ; a command text on an object of class CL
 N E,A,N,RES
 I '$D(VXS("USER")) Q $$ERR(2)
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
 I $TR(C,$$CTRL^VXSEC)'=C Q ""
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
ARITY(ENTRY) ; highest number of arguments of a catalogue entry, -1 when it is none
 I '$D(VXS("CAT")) N LINE,I F I=1:1 S LINE=$T(CAT+I) Q:LINE=""  S VXS("CAT",$P(LINE,";",3))=+$P(LINE,";",4)
 Q $G(VXS("CAT",ENTRY),-1)
CAT ; the catalogue: every entry of RUFAP a client may call, with its highest number of arguments
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
CALL(ENTRY,ARG) ; runs one catalogue entry with the parsed arguments
 ; The call text is made of the entry's name, which the parser took from the catalogue, and
 ; references to ARG: nothing of the client's text is executed.
 N CALL,I,RESULT
 S CALL="RESULT=$$"_ENTRY_"^RUFAP("
 F I=1:1:$$ARITY(ENTRY) S CALL=CALL_$S(I>1:",",1:"")_"$G(ARG("_I_"))"
 S @(CALL_")")
 Q RESULT
