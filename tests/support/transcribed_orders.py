#!/usr/bin/python3
"""The reading-order sort transcribed literally from its written description
(comparator, minimum run length, insertion, runs, collapse rule, merges),
independently of src/ocr/reading_order.cpp. Prints the FNV-1a hash of the
sorted input positions for each page that the unit test
ReadingOrder.IntransitivePagesComeOutInTranscribedOrder checks; the pages are
made by the same generators as in tests/unit/ocr_test.cpp."""
import math
TOL=0.015
def precedes(a,b):
    ca=a[1]+a[3]/2; cb=b[1]+b[3]/2; d=abs(ca-cb)
    half=math.inf if not(a[3]>=0 and b[3]>=0) else max(a[3],b[3])/2
    if d>TOL or d>half: return ca>cb
    return a[0]+min(a[2],0.0) < b[0]+min(b[2],0.0)
def minrun(n):
    if n<64: return n
    k=0; r=0
    while (n>>k)>=64: k+=1
    return (n>>k)+(1 if n&((1<<k)-1) else 0)
def sort(x):
    n=len(x)
    def ins(lo,s,hi):
        for i in range(s,hi):
            j=i
            while j>lo and precedes(x[j],x[j-1]): x[j],x[j-1]=x[j-1],x[j]; j-=1
    m=minrun(n)
    if m>=n:
        if n>1: ins(0,1,n)
        return
    stack=[]
    def merge(i):
        lo,mid=stack[i]; _,hi=stack[i+1]
        if mid-lo<hi-mid:
            L=x[lo:mid]; out=lo; l=0; r=mid
            while l<len(L) and r<hi:
                if precedes(x[r],L[l]): x[out]=x[r]; r+=1
                else: x[out]=L[l]; l+=1
                out+=1
            x[out:out+len(L)-l]=L[l:]
        else:
            R=x[mid:hi]; out=hi; l=mid; r=len(R)
            while r>0 and l>lo:
                out-=1
                if precedes(R[r-1],x[l-1]): l-=1; x[out]=x[l]
                else: r-=1; x[out]=R[r]
            x[l:l+r]=R[:r]
        stack[i]=(lo,hi); del stack[i+1]
    start=0
    while start<n:
        if start==n-1: end=n; desc=False
        else:
            desc=precedes(x[start+1],x[start]); k=start+2
            while k<n and precedes(x[k],x[k-1])==desc: k+=1
            end=k
        if desc: x[start:end]=x[start:end][::-1]
        if end<n and end-start<m:
            ne=min(start+m,n); ins(start,end,ne); end=ne
        stack.append((start,end))
        while len(stack)>=2:
            Z=stack[-1][1]-stack[-1][0]; Y=stack[-2][1]-stack[-2][0]
            X=stack[-3][1]-stack[-3][0] if len(stack)>=3 else None
            W=stack[-4][1]-stack[-4][0] if len(stack)>=4 else None
            t=len(stack)-1
            if W is not None and W<=X+Y: merge(t-2 if X<Z else t-1)
            elif X is not None and X<=Y+Z: merge(t-2 if X<Z else t-1)
            elif Y<=Z: merge(t-1)
            else: break
        start=end
    while len(stack)>1: merge(len(stack)-2)
M=(1<<64)-1
class SM:
    def __init__(s,seed): s.s=seed
    def below(s,b):
        s.s=(s.s+0x9E3779B97F4A7C15)&M; z=s.s
        z=((z^(z>>30))*0xBF58476D1CE4E5B9)&M; z=((z^(z>>27))*0x94D049BB133111EB)&M
        return float((z^(z>>31))%b)
def at(c,l): return (l,c-0.015,0.1,0.03)
def dense(seed,n):
    r=SM(seed); out=[]
    for i in range(n):
        left=0.1*r.below(8); out.append(at(0.004*r.below(60),left))
    return out
def blocks(seed,lengths):
    r=SM(seed); out=[]
    for L in lengths:
        top=500+r.below(10)
        for line in range(L): out.append(at(0.004*(top-5*line),0.1*r.below(4)))
    return out
def run(boxes):
    global x
    x=[b+(i,) for i,b in enumerate(boxes)]
    sort(x)
    hh=0xcbf29ce484222325
    for e in x: hh=((hh^e[4])*0x100000001b3)&M
    return hex(hh)
for name,b in [("dense40",dense(3,40)),("dense64",dense(4,64)),("dense100",dense(2,100)),("dense3000",dense(1,3000)),("four",blocks(7,[543,365,598,245,74,270,117,42,264])),("XZ",blocks(7,[288,266,288,66,188,216,96])),("XYZ",blocks(7,[196,175,246,125,197,85]))]:
    print(name,run(b))
