VXPOOL ; VENTOR server listener and its pool of waiting connection processes
 ; The listener accepts clients on the server's port and keeps a local socket DIR/pool.sock.
 ; Connection processes are started ahead of their clients (VENTOR_POOL wait at any time) and
 ; stay connected to the pool socket. A client goes to the longest waiting process (WRITE
 ; /PASS), which serves it (SERVE^VXGW) and then reports back ready for the next one, with
 ; nothing of the last connection left: no variable, lock, timer, transaction or device. A
 ; process that ended on an error is replaced; one that served VENTOR_REUSE clients ends.
 ; (Connecting a GT.M socket costs a tenth of a second: the processes connect once, ahead.)
 ; GT.M listens on every interface: a client that reached the port at any other address than
 ; VENTOR_ADDRESS is closed before anything is read from it.
 Q
 ;
LISTEN ; the listener (ventor-server start); ends when its port fails
 ; Devices: T the port, P the pool socket, W the connected processes' sockets (never in a
 ; /WAIT: the listener polls their descriptors itself).
 N T,P,W,POOL,IDLE,BUSY,PEND,START,WANT,ZL,SLIPS
 S T="|VXL|",P="|VXP|",W="|VXW|",POOL=$$CONF^VXSEC("POOL",4),WANT=$$ADDRESS
 O T:(LISTEN=$$CONF^VXSEC("PORT",0)_":TCP":ATTACH="tcp":IOERROR="TRAP")::"SOCKET"
 U T W /LISTEN(256)
 O P:(LISTEN=$$SOCK_":LOCAL":ATTACH="pool":IOERROR="TRAP")::"SOCKET"
 U P W /LISTEN(256)
 O W:::"SOCKET"
 D FILL
 S ZL=$ZL,SLIPS=0
LOOP N $ET S $ET="D SLIP^VXPOOL ZG "_ZL_":LOOP^VXPOOL"
 F  D EVENT S SLIPS=0
 ;
EVENT ; waits for clients and processes; queued clients wait for processes on their way
 N F,H
 S F=$$FD(T,"tcp")_","_$$FD(P,"pool"),H=""
 F  S H=$O(IDLE(H)) Q:H=""  S F=F_","_$$FD(W,H)
 F  S H=$O(BUSY(H)) Q:H=""  S F=F_","_$$FD(W,H)
 I $&vxsec.wait(F,$S($D(PEND):20,1:10000))
 D CLIENTS,ARRIVED,REPORTS,HAND,FILL
 Q
 ;
FD(D,H) Q $ZSOCKET(D,"DESCRIPTOR",$ZSOCKET(D,"INDEX",H)) ; the descriptor of socket H
 ;
SLIP ; an error around one client or process: that one is lost, the listener goes on
 ; Errors in a row without one good event mean the listener's own sockets failed.
 N ST S ST=$ZSTATUS,$EC=""
 D LOG^VXSEC("listener: "_$P(ST,",",3,9))
 S SLIPS=SLIPS+1 I SLIPS>50 HALT
 Q
 ;
CLIENTS ; clients at the port: queued, without a read, for the next waiting process
 ; A client that came to another address than the server's is closed unheard.
 N I,K,H
 F I=1:1:100 U T W /WAIT(0) S K=$KEY,H=$P(K,"|",2) Q:$P(K,"|")'="CONNECT"  D
 . I WANT'="",$$PLAIN($ZSOCKET(T,"LOCALADDRESS",$ZSOCKET(T,"INDEX",H)))'=WANT C T:(SOCKET=H) Q
 . U T:(DETACH=H)
 . S PEND($O(PEND(""),-1)+1)=H
 Q
 ;
ARRIVED ; started processes that connected to the pool socket: they wait for a client
 N I,K,H
 F I=1:1:100 U P W /WAIT(0) S K=$KEY,H=$P(K,"|",2) Q:$P(K,"|")'="CONNECT"  D
 . U P:(DETACH=H) U W:(ATTACH=H)
 . S IDLE(H)="" K START($O(START("")))
 Q
 ;
REPORTS ; processes that reported back ready (kept, unless twice the pool wait) or ended
 N H,R
 S H="" F  S H=$O(BUSY(H)) Q:H=""  D
 . S R=$$BACK(H) Q:'R
 . K BUSY(H)
 . I R=1,$$COUNT(.IDLE)<(2*POOL) S IDLE(H)="" Q
 . C W:(SOCKET=H)
 S H="" F  S H=$O(IDLE(H)) Q:H=""  I $$BACK(H) K IDLE(H) C W:(SOCKET=H)
 Q
 ;
BACK(H) ; 1 when the process handed back its last client's socket, its report of being ready (a
 ; pool socket carries sockets only, no data); -1 when it ended; 0 when nothing is there
 N X,$ET
 I '$&vxsec.readable($$FD(W,H)) Q 0
 S $ET="S $EC="""" Q:$Q -1 Q"
 U W:(SOCKET=H) W /ACCEPT(.X,,5) E  Q -1
 U T:(ATTACH=X) C T:(SOCKET=X)
 Q 1
 ;
HAND ; queued clients to waiting processes, the longest waiting first
 N C,H
 F  S C=$O(PEND("")),H=$O(IDLE("")) Q:C=""!(H="")  D
 . K IDLE(H) S BUSY(H)=""
 . U W:(SOCKET=H) W /PASS(,5,PEND(C)) K PEND(C)
 Q
 ;
FILL ; starts processes until VENTOR_POOL wait beyond the queued clients
 ; A start that did not arrive within 10 s is given up (the process failed or was killed).
 N N,J
 S J="" F  S J=$O(START(J)) Q:J=""!(J>($ZUT-10000000))  K START(J)
 F N=$$COUNT(.IDLE)+$$COUNT(.START)-$$COUNT(.PEND)+1:1:POOL D
 . S J="WORK^VXPOOL:(OUTPUT=""/dev/null"":ERROR=""/proc/"_$J_"/fd/2"")"
 . J @J S START($ZUT)=""
 Q
 ;
COUNT(A) N N,S S N=0,S="" F  S S=$O(A(S)) Q:S=""  S N=N+1
 Q N
 ;
WORK ; a connection process, started ahead: serves clients one after the other
 N N,M,H
 ; Opened now, so that stop, kill and status find every process of the server by its file.
 I $D(^VXPAR)
 S $ET="HALT",M=$$CONF^VXSEC("REUSE",1000)
 ; Errors on the pool socket set $DEVICE only: a listener that ends or sends this process
 ; away ends it quietly.
 O "|VXW|":(CONNECT=$$SOCK_":LOCAL":ATTACH="pool"):10:"SOCKET" E  HALT
 ; Between clients every variable, lock and timer of the last one goes; handing its socket
 ; back to the listener, which closes it, reports the process ready.
 F N=1:1:M D ONE K (N,M,H) L  S $ZTIMEOUT=-1 Q:N=M  U "|VXW|" W /PASS(,,H)
 HALT
 ;
ONE ; waits for the next client (H) and serves it
 N D
 S D="|VXC|",$ET="HALT"
 U "|VXW|" W /ACCEPT(.H,,) I $DEVICE HALT
 O D:::"SOCKET" U D:(ATTACH=H) U D:(SOCKET=H) U D:(NODELIMITER:ZNODELAY:IOERROR="TRAP")
 S $ET="D LOG^VXSEC(""TLS handshake failed"") HALT"
 I $$CONF^VXSEC("TLS",0) W /TLS("server",$$CONF^VXSEC("FRAME",10),"ventor") E  D LOG^VXSEC("TLS handshake timed out") HALT
 ; The client's socket is the current device: an error goes to the log, not to the client.
 S $ET="D LOG^VXSEC($ZSTATUS) HALT"
 D SERVE^VXGW(D)
 TROLLBACK:$TLEVEL
 S $ET="HALT"
 U D:(DETACH=H) C D
 Q
 ;
SOCK() Q $ZTRNLNM("VENTOR_DIR")_"/pool.sock" ; the listener's local socket
 ;
ADDRESS() ; the address clients must have reached, "" for every address
 N A S A=$ZTRNLNM("VENTOR_ADDRESS")
 Q $S(A="0.0.0.0"!(A="::"):"",1:A)
 ;
PLAIN(A) ; an IPv4 address as GT.M's dual-stack sockets show it, without the IPv6 prefix
 Q $S($E(A,1,7)="::ffff:":$E(A,8,$L(A)),1:A)
